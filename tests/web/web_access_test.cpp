#include "web/web_access.h"

#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <string>
#include <vector>

#include "web/recording_transport.h"

namespace qorvex::web {
namespace {

constexpr const char* kUrl = "https://pool.example/q?x=1";
constexpr const char* kAgentLine = "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";
const HeaderField kAccept{"Accept", "*/*"};
const HeaderField kReferer{"Referer", kUrl};
const HeaderField kLanguage{"Accept-Language", "zh-cn"};
const HeaderField kAgent{"User-Agent", "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)"};

std::string default_block() {
    return std::string("Accept: */*\r\nReferer: ") + kUrl + "\r\nAccept-Language: zh-cn\r\n" +
           kAgentLine;
}

TEST(WebAccess, DefaultGetSetsFourHeadersInOrder) {
    RecordingTransport transport;
    WebAccessArgs args;
    args.url = kUrl;
    web_access(transport, args);

    const HttpRequest& sent = transport.last();
    EXPECT_EQ(sent.verb, "GET");
    EXPECT_EQ(sent.url, kUrl);
    EXPECT_EQ(sent.headers, (std::vector<HeaderField>{kAccept, kReferer, kLanguage, kAgent}));
    EXPECT_TRUE(sent.body.empty());
    EXPECT_EQ(sent.proxy, "");
    EXPECT_TRUE(sent.follow_redirects);
    EXPECT_EQ(args.extra_headers, default_block());
}

TEST(WebAccess, ShortFormSendsTheSameDefaultGet) {
    RecordingTransport transport;
    web_access(transport, kUrl);
    EXPECT_EQ(transport.last().headers,
              (std::vector<HeaderField>{kAccept, kReferer, kLanguage, kAgent}));
    EXPECT_EQ(transport.last().timeout_ms, 15000);
}

struct HeaderRow {
    const char* label;
    int method;
    std::string extra_headers;
    std::string expected_block;
    std::vector<HeaderField> expected_fields;
};

TEST(WebAccess, CompletesTheCallersHeaderBlock) {
    const std::string defaults = "\r\n" + default_block();
    const std::string form = "\r\nContent-Type: application/x-www-form-urlencoded";
    const HeaderField form_type{"Content-Type", "application/x-www-form-urlencoded"};
    const std::vector<HeaderRow> rows = {
        {"lower-case referer keeps the default line",
         0,
         "referer: x",
         "referer: x" + defaults,
         {{"referer", "x"}, kAccept, kReferer, kLanguage, kAgent}},
        {"the caller's own Accept line",
         0,
         "Accept: text/html",
         std::string("Accept: text/html\r\nReferer: ") + kUrl + "\r\nAccept-Language: zh-cn\r\n" +
             kAgentLine,
         {{"Accept", "text/html"}, kReferer, kLanguage, kAgent}},
        {"POST respells a lower-case content type",
         1,
         "content-type: text/plain",
         "Content-Type: text/plain" + defaults,
         {{"Content-Type", "text/plain"}, kAccept, kReferer, kLanguage, kAgent}},
        {"POST without a content type gets the form type",
         1,
         "",
         default_block() + form,
         {kAccept, kReferer, kLanguage, kAgent, form_type}},
        {"GET leaves a lower-case content type alone",
         0,
         "content-type: text/plain",
         "content-type: text/plain" + defaults,
         {{"content-type", "text/plain"}, kAccept, kReferer, kLanguage, kAgent}},
        {"a line without a colon is still passed on",
         0,
         "novalue",
         "novalue" + defaults,
         {{"", ""}, kAccept, kReferer, kLanguage, kAgent}},
        {"empty lines are skipped",
         0,
         "A: 1\r\n\r\nB: 2",
         "A: 1\r\n\r\nB: 2" + defaults,
         {{"A", "1"}, {"B", "2"}, kAccept, kReferer, kLanguage, kAgent}},
        {"one line holding every marker is one header",
         0,
         "Accept: Referer: Accept-Language: User-Agent:",
         "Accept: Referer: Accept-Language: User-Agent:",
         {{"Accept", "Referer: Accept-Language: User-Agent:"}}},
    };
    for (const HeaderRow& row : rows) {
        RecordingTransport transport;
        WebAccessArgs args;
        args.url = kUrl;
        args.method = row.method;
        args.extra_headers = row.extra_headers;
        web_access(transport, args);
        EXPECT_EQ(args.extra_headers, row.expected_block) << row.label;
        EXPECT_EQ(transport.last().headers, row.expected_fields) << row.label;
    }
}

TEST(WebAccess, PassingTheCompletedBlockAgainAddsNothing) {
    RecordingTransport transport;
    WebAccessArgs args;
    args.url = kUrl;
    args.method = 1;
    web_access(transport, args);
    const std::string first = args.extra_headers;
    web_access(transport, args);
    EXPECT_EQ(args.extra_headers, first);
    EXPECT_EQ(transport.requests[0].headers, transport.requests[1].headers);
}

struct MethodRow {
    int method;
    const char* verb;
};

TEST(WebAccess, MethodTableWithOutOfRangeValuesAsGet) {
    const std::vector<MethodRow> rows = {
        {0, "GET"},   {1, "POST"},    {2, "HEAD"}, {3, "PUT"},  {4, "OPTIONS"},  {5, "DELETE"},
        {6, "TRACE"}, {7, "CONNECT"}, {8, "GET"},  {-1, "GET"}, {INT_MIN, "GET"}};
    for (const MethodRow& row : rows) {
        RecordingTransport transport;
        web_access(transport, kUrl, row.method);
        EXPECT_EQ(transport.last().verb, row.verb) << "method " << row.method;
    }
}

struct TimeoutRow {
    const char* label;
    std::optional<int> timeout_s;
    std::optional<int> expected_ms;
};

TEST(WebAccess, TimeoutRules) {
    const std::vector<TimeoutRow> rows = {
        {"omitted", std::nullopt, 15000},
        {"zero", 0, 15000},
        {"negative", -5, 15000},
        {"three seconds", 3, 3000},
        {"minus one leaves the object's own", -1, std::nullopt},
        {"too long for milliseconds", INT_MAX, INT_MAX},
    };
    for (const TimeoutRow& row : rows) {
        RecordingTransport transport;
        WebAccessArgs args;
        args.url = kUrl;
        if (row.timeout_s.has_value()) {
            args.timeout_s = *row.timeout_s;
        }
        web_access(transport, args);
        EXPECT_EQ(transport.last().timeout_ms, row.expected_ms) << row.label;
    }
}

TEST(WebAccess, BodyBytesWinOverBodyText) {
    RecordingTransport transport;
    WebAccessArgs args;
    args.url = kUrl;
    args.method = 1;
    args.post_text = "text body";
    args.post_bytes = {0};
    web_access(transport, args);
    EXPECT_EQ(transport.last().body, Bytes{0});

    args.post_bytes.clear();
    web_access(transport, args);
    EXPECT_EQ(transport.last().body, bytes_of_text("text body"));
}

struct ProxyRow {
    const char* label;
    std::string proxy;
    std::string user;
    bool basic_auth;
    std::vector<HeaderField> expected_leading;
};

TEST(WebAccess, ProxyCredentialsNeedProxyUserAndBasicAuth) {
    const std::vector<ProxyRow> rows = {
        {"proxy with user", "127.0.0.1:3128", "u", true, {{"Proxy-Authorization", "Basic dTpw"}}},
        {"basic auth switched off", "127.0.0.1:3128", "u", false, {}},
        {"no user", "127.0.0.1:3128", "", true, {}},
        {"user without a proxy", "", "u", true, {}},
    };
    for (const ProxyRow& row : rows) {
        RecordingTransport transport;
        WebAccessArgs args;
        args.url = kUrl;
        args.proxy = row.proxy;
        args.proxy_user = row.user;
        args.proxy_password = "p";
        args.proxy_basic_auth = row.basic_auth;
        web_access(transport, args);
        const HttpRequest& sent = transport.last();
        EXPECT_EQ(sent.proxy, row.proxy) << row.label;
        std::vector<HeaderField> expected = row.expected_leading;
        expected.insert(expected.end(), {kAccept, kReferer, kLanguage, kAgent});
        EXPECT_EQ(sent.headers, expected) << row.label;
    }
}

TEST(WebAccess, NoRedirectSwitchesFollowingOff) {
    RecordingTransport transport;
    WebAccessArgs args;
    args.url = kUrl;
    args.no_redirect = true;
    web_access(transport, args);
    EXPECT_FALSE(transport.last().follow_redirects);
}

TEST(WebAccess, CookieHeaderOnlyWhenCookiesAreGiven) {
    RecordingTransport transport;
    WebAccessArgs without;
    without.url = kUrl;
    web_access(transport, without);
    for (const HeaderField& field : transport.last().headers) {
        EXPECT_NE(field.name, "Cookie");
    }

    WebAccessArgs empty;
    empty.url = kUrl;
    empty.send_cookies = "";
    web_access(transport, empty);
    EXPECT_EQ(transport.last().headers.front(), (HeaderField{"Cookie", ""}));
}

struct ReplyCookieRow {
    const char* label;
    std::string reply_headers;
    std::string expected;
};

TEST(WebAccess, ReceivedCookiesComeFromSetCookieLines) {
    const std::vector<ReplyCookieRow> rows = {
        {"value up to the first semicolon",
         "Content-Type: text/html\r\nSet-Cookie: a=1; path=/\r\nSet-Cookie: b=2\r\n", "a=1; b=2"},
        {"no Set-Cookie line", "Content-Type: text/html\r\n", ""},
        {"other spelling of the name", "set-cookie: c=3\r\n", ""},
        {"no space after the colon", "Set-Cookie:c=3\r\n", ""},
        {"marker repeated without a semicolon", "Set-Cookie: SET-COOKIE:z=9\r\n", "z=9"},
        {"empty block", "", ""},
    };
    for (const ReplyCookieRow& row : rows) {
        RecordingTransport transport;
        transport.reply = {bytes_of_text("ok"), row.reply_headers, 200};
        WebAccessArgs args;
        args.url = kUrl;
        EXPECT_EQ(web_access(transport, args), bytes_of_text("ok")) << row.label;
        EXPECT_EQ(args.received_cookies, row.expected) << row.label;
        EXPECT_EQ(args.response_headers, row.reply_headers) << row.label;
        EXPECT_EQ(args.status_code, 200) << row.label;
    }
}

struct MergeRow {
    const char* label;
    std::optional<std::string> send_cookies;
    bool merge;
    std::string expected_received;
    std::optional<std::string> expected_send_after;
};

TEST(WebAccess, MergesSentAndReceivedCookiesIntoBothTexts) {
    const std::vector<MergeRow> rows = {
        {"merge", "a=1; b=2", true, "b=3; a=1", "b=3; a=1"},
        {"merge switched off", "a=1; b=2", false, "b=3", "a=1; b=2"},
        {"nothing sent", std::nullopt, true, "b=3", std::nullopt},
        {"sent as empty text", "", true, "b=3", "b=3"},
    };
    for (const MergeRow& row : rows) {
        RecordingTransport transport;
        transport.reply = {{}, "Set-Cookie: b=3; path=/\r\n", 200};
        WebAccessArgs args;
        args.url = kUrl;
        args.send_cookies = row.send_cookies;
        args.merge_cookies = row.merge;
        web_access(transport, args);
        EXPECT_EQ(args.received_cookies, row.expected_received) << row.label;
        EXPECT_EQ(args.send_cookies, row.expected_send_after) << row.label;
    }
}

WebAccessArgs args_with_old_outputs() {
    WebAccessArgs args;
    args.url = kUrl;
    args.received_cookies = "old=1";
    args.response_headers = "Old: 1\r\n";
    args.status_code = 302;
    return args;
}

TEST(WebAccess, NoRequestObjectLeavesEveryOutputAsItWas) {
    RecordingTransport transport;
    transport.can_open = false;
    WebAccessArgs args = args_with_old_outputs();
    EXPECT_TRUE(web_access(transport, args).empty());
    EXPECT_TRUE(transport.requests.empty());
    EXPECT_EQ(args.received_cookies, "old=1");
    EXPECT_EQ(args.response_headers, "Old: 1\r\n");
    EXPECT_EQ(args.status_code, 302);
    EXPECT_EQ(args.extra_headers, "");
}

TEST(WebAccess, FailedExchangeEmptiesTheOutputs) {
    RecordingTransport transport;  // its reply is the empty one of a failure
    WebAccessArgs args = args_with_old_outputs();
    EXPECT_TRUE(web_access(transport, args).empty());
    EXPECT_EQ(args.received_cookies, "");
    EXPECT_EQ(args.response_headers, "");
    EXPECT_EQ(args.status_code, 0);

    WebAccessArgs with_cookies = args_with_old_outputs();
    with_cookies.send_cookies = "a = 1";
    web_access(transport, with_cookies);
    EXPECT_EQ(with_cookies.received_cookies, "a=1");
}

TEST(WebAccess, SuppliedRequestObjectIsBorrowed) {
    RecordingTransport transport;
    RecordingTransport::Session session(transport);
    WebAccessArgs args;
    args.url = kUrl;
    args.request_object = &session;
    web_access(transport, args);
    web_access(transport, args);
    EXPECT_EQ(transport.sessions_opened, 0);
    EXPECT_EQ(transport.requests.size(), 2U);
}

}  // namespace
}  // namespace qorvex::web
