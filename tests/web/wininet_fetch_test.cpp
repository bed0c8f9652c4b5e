#include "web/wininet_fetch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/scripted_fetch_transport.h"

namespace qorvex::web {
namespace {

using test::ScriptedFetchTransport;

constexpr std::string_view kDefaultAgent = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

struct AgentRow {
    const char* label;
    std::string extra_headers;
    std::string agent;
};

TEST(WininetFetch, TakesTheSessionAgentFromTheCallersHeaderBlock) {
    const std::vector<AgentRow> rows = {
        {"no block", "", std::string(kDefaultAgent)},
        {"block without an agent", "Accept: */*", std::string(kDefaultAgent)},
        {"exact spelling after another line", "Accept: */*\r\nUser-Agent: X", "X"},
        {"exact spelling, trimmed, before another line", "User-Agent:  X Y \r\nAccept: */*", "X Y"},
        {"lower case alone, through the block's first colon", "user-agent: X", "X"},
        {"exact spelling without a value falls back too", "User-Agent:", ""},
    };
    for (const AgentRow& row : rows) {
        EXPECT_EQ(fetch_user_agent(row.extra_headers), row.agent) << row.label;
    }
}

TEST(WininetFetch, CompletesTheHeaderBlockWithoutAnAgentLine) {
    ScriptedFetchTransport transport;
    WininetFetchArgs args;
    args.url = "https://Srv:8443/a?b=1";
    wininet_fetch(transport, args);

    const std::string expected =
        "Accept: */*\r\nReferer: https://Srv:8443/a?b=1\r\nAccept-Language: zh-cn";
    EXPECT_EQ(args.extra_headers, expected);
    ASSERT_EQ(transport.sent.size(), 1U);
    EXPECT_EQ(transport.sent[0].header_block, expected);
    EXPECT_TRUE(transport.sent[0].body.empty());
}

TEST(WininetFetch, KeepsTheCallersAgentLineInTheSentBlock) {
    ScriptedFetchTransport transport;
    WininetFetchArgs args;
    args.url = "http://srv/";
    args.extra_headers = "Accept: */*\r\nUser-Agent: X";
    wininet_fetch(transport, args);

    EXPECT_EQ(args.extra_headers,
              "Accept: */*\r\nUser-Agent: X\r\nReferer: http://srv/\r\nAccept-Language: zh-cn");
}

TEST(WininetFetch, OpensTheRequestFromTheAddress) {
    ScriptedFetchTransport transport;
    wininet_fetch(transport, "HTTPS://Srv:8443/a/B?c=1");

    ASSERT_EQ(transport.opened.size(), 1U);
    const FetchTarget& target = transport.opened[0];
    EXPECT_EQ(target.host, "srv");
    EXPECT_EQ(target.port, 8443);
    EXPECT_EQ(target.path, "/a/B?c=1");
    EXPECT_EQ(target.verb, "GET");
    EXPECT_EQ(target.proxy, "");
    EXPECT_EQ(target.user_agent, kDefaultAgent);
    EXPECT_TRUE(target.flags.reload);
    EXPECT_TRUE(target.flags.secure);
    EXPECT_FALSE(target.flags.ignore_redirect_to_https);
    EXPECT_FALSE(target.flags.no_cookies);
    EXPECT_FALSE(target.flags.no_auto_redirect);
}

struct TargetRow {
    const char* label;
    std::string url;
    std::string proxy;
    std::optional<std::string> send_cookies;
    bool no_redirect;
    int method;
    std::string expected_proxy;
    bool no_cookies;
    std::string verb;
};

TEST(WininetFetch, ChoosesProxyRuleFlagsAndVerb) {
    const std::vector<TargetRow> rows = {
        {"plain address: proxy for http only", "http://srv/", "p:8080", std::nullopt, false, 0,
         "http=p:8080", false, "GET"},
        {"secure address: proxy as given", "https://srv/", "p:8080", std::nullopt, false, 0,
         "p:8080", false, "GET"},
        {"cookies given, even empty: no automatic cookies", "http://srv/", "", "", false, 0, "",
         true, "GET"},
        {"no redirect", "http://srv/", "", std::nullopt, true, 0, "", false, "GET"},
        {"method 5", "http://srv/", "", std::nullopt, false, 5, "", false, "DELETE"},
        {"method 8 means GET", "http://srv/", "", std::nullopt, false, 8, "", false, "GET"},
        {"method -1 means GET", "http://srv/", "", std::nullopt, false, -1, "", false, "GET"},
    };
    for (const TargetRow& row : rows) {
        ScriptedFetchTransport transport;
        WininetFetchArgs args;
        args.url = row.url;
        args.proxy = row.proxy;
        args.send_cookies = row.send_cookies;
        args.no_redirect = row.no_redirect;
        args.method = row.method;
        wininet_fetch(transport, args);
        ASSERT_EQ(transport.opened.size(), 1U) << row.label;
        const FetchTarget& target = transport.opened[0];
        EXPECT_EQ(target.proxy, row.expected_proxy) << row.label;
        EXPECT_EQ(target.flags.no_cookies, row.no_cookies) << row.label;
        EXPECT_EQ(target.flags.no_auto_redirect, row.no_redirect) << row.label;
        EXPECT_EQ(target.flags.ignore_redirect_to_https, !target.flags.secure) << row.label;
        EXPECT_EQ(target.verb, row.verb) << row.label;
    }
}

TEST(WininetFetch, BodyBytesWinOverThePostTextAndGetSendsNoBody) {
    ScriptedFetchTransport put_transport;
    WininetFetchArgs put;
    put.url = "http://srv/";
    put.method = 3;
    put.post_text = "text";
    put.post_bytes = {0x01};
    wininet_fetch(put_transport, put);
    ASSERT_EQ(put_transport.sent.size(), 1U);
    EXPECT_EQ(put_transport.sent[0].body, Bytes{0x01});
    EXPECT_EQ(put.extra_headers.find("Content-Type"), std::string::npos);

    ScriptedFetchTransport get_transport;
    WininetFetchArgs get;
    get.url = "http://srv/";
    get.post_text = "text";
    wininet_fetch(get_transport, get);
    ASSERT_EQ(get_transport.sent.size(), 1U);
    EXPECT_TRUE(get_transport.sent[0].body.empty());
    EXPECT_TRUE(get.post_bytes.empty());
}

struct CookieLineRow {
    const char* label;
    std::optional<std::string> send_cookies;
    std::string block_tail;
};

TEST(WininetFetch, AppendsTheSentCookies) {
    const std::vector<CookieLineRow> rows = {
        {"not given", std::nullopt, "Accept-Language: zh-cn"},
        {"given empty", "", "Accept-Language: zh-cn"},
        {"plain cookie text", "a=1; b=2", "Accept-Language: zh-cn\r\nCookie: a=1; b=2"},
        {"a whole Cookie line", "Cookie: a=1", "Accept-Language: zh-cn\r\nCookie: a=1"},
    };
    for (const CookieLineRow& row : rows) {
        ScriptedFetchTransport transport;
        WininetFetchArgs args;
        args.url = "http://srv/";
        args.send_cookies = row.send_cookies;
        wininet_fetch(transport, args);
        EXPECT_TRUE(args.extra_headers.ends_with(row.block_tail)) << row.label;
    }
}

TEST(WininetFetch, ARequestThatCannotBeOpenedChangesNothing) {
    ScriptedFetchTransport transport;
    transport.can_open = false;
    WininetFetchArgs args;
    args.url = "http://srv/";
    args.method = kMethodPost;
    args.post_text = "x";
    args.extra_headers = "X-Mine: 1";
    args.response_headers = "before";
    args.received_cookies = "old=1";

    EXPECT_TRUE(wininet_fetch(transport, args).empty());
    EXPECT_EQ(args.extra_headers, "X-Mine: 1");
    EXPECT_EQ(args.response_headers, "before");
    EXPECT_EQ(args.received_cookies, "old=1");
    EXPECT_TRUE(args.post_bytes.empty());
    EXPECT_TRUE(transport.sent.empty());
}

TEST(WininetFetch, NoReplyLeavesNoHeadersAndNoCookies) {
    ScriptedFetchTransport transport;
    WininetFetchArgs args;
    args.url = "http://srv/";
    args.response_headers = "before";

    EXPECT_TRUE(wininet_fetch(transport, args).empty());
    EXPECT_EQ(args.response_headers, "");
    EXPECT_EQ(args.received_cookies, "");
}

}  // namespace
}  // namespace qorvex::web
