#include "web/curl/curl_http_transport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "support/test_server.h"
#include "web/web_access.h"

namespace qorvex::web {
namespace {

using test_support::EchoedRequest;
using test_support::ReplyScript;
using test_support::Stall;
using test_support::TestServer;
using test_support::TestServerOptions;

constexpr const char* kAgentLine = "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

// web_access against the local server through libcurl. One plain server
// serves the whole suite; tests that need another kind start their own.
class CurlWebAccess : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_server = new TestServer(); }
    static void TearDownTestSuite() {
        delete s_server;
        s_server = nullptr;
    }

    static TestServer& server() { return *s_server; }

    static EchoedRequest echoed(const Bytes& body) {
        const std::string text(body.begin(), body.end());
        const auto request = test_support::parse_echo(text);
        EXPECT_TRUE(request.has_value()) << "not an echo: " << text;
        return request.value_or(EchoedRequest{});
    }

    // The header lines the server saw, without the Host line that libcurl
    // adds and the length line of a body.
    static std::vector<std::string> caller_lines(const EchoedRequest& request) {
        std::vector<std::string> lines;
        for (const std::string& line : request.header_lines) {
            if (!line.starts_with("Host:") && !line.starts_with("Content-Length:")) {
                lines.push_back(line);
            }
        }
        return lines;
    }

    std::unique_ptr<HttpTransport> m_transport = make_curl_http_transport();

private:
    static TestServer* s_server;
};

TestServer* CurlWebAccess::s_server = nullptr;

TEST_F(CurlWebAccess, DefaultGetSendsExactlyTheDefaultHeaderBlock) {
    const std::string url = server().url("/echo");
    WebAccessArgs args;
    args.url = url;
    const EchoedRequest request = echoed(web_access(*m_transport, args));

    EXPECT_EQ(request.method, "GET");
    EXPECT_EQ(request.target, "/echo");
    EXPECT_EQ(request.header_lines,
              (std::vector<std::string>{"Host: " + server().host_port(), "Accept: */*",
                                        "Referer: " + url, "Accept-Language: zh-cn", kAgentLine}));
    EXPECT_EQ(request.body, "");
    EXPECT_EQ(args.status_code, 200);
    EXPECT_NE(args.response_headers.find("X-Echo-Method: GET\r\n"), std::string::npos);
    EXPECT_EQ(args.response_headers.find("HTTP/1.1"), std::string::npos);
}

TEST_F(CurlWebAccess, LowerCaseRefererTravelsBesideTheDefaultLine) {
    const std::string url = server().url("/echo");
    WebAccessArgs args;
    args.url = url;
    args.extra_headers = "referer: x";
    const EchoedRequest request = echoed(web_access(*m_transport, args));
    EXPECT_EQ(caller_lines(request),
              (std::vector<std::string>{"referer: x", "Accept: */*", "Referer: " + url,
                                        "Accept-Language: zh-cn", kAgentLine}));
}

struct PostRow {
    const char* label;
    std::string extra_headers;
    std::string post_text;
    Bytes post_bytes;
    std::vector<std::string> expected_types;
    std::string expected_body;
};

TEST_F(CurlWebAccess, PostContentTypeAndBody) {
    const std::vector<PostRow> rows = {
        {"form type by default", "", "a=1", {}, {"application/x-www-form-urlencoded"}, "a=1"},
        {"lower-case type respelled, no second one",
         "content-type: text/plain",
         "hello",
         {},
         {"text/plain"},
         "hello"},
        {"bytes win over text",
         "",
         "ignored",
         {'x', 0, 'y'},
         {"application/x-www-form-urlencoded"},
         std::string("x\0y", 3)},
        {"empty body", "", "", {}, {"application/x-www-form-urlencoded"}, ""},
    };
    for (const PostRow& row : rows) {
        WebAccessArgs args;
        args.url = server().url("/echo");
        args.method = 1;
        args.extra_headers = row.extra_headers;
        args.post_text = row.post_text;
        args.post_bytes = row.post_bytes;
        const EchoedRequest request = echoed(web_access(*m_transport, args));
        EXPECT_EQ(request.method, "POST") << row.label;
        EXPECT_EQ(request.values_of("Content-Type"), row.expected_types) << row.label;
        EXPECT_TRUE(request.values_of("content-type").empty()) << row.label;
        EXPECT_EQ(request.body, row.expected_body) << row.label;
    }
}

TEST_F(CurlWebAccess, HeaderLineWithoutColonIsNotSentAndTheRequestGoesThrough) {
    WebAccessArgs args;
    args.url = server().url("/echo");
    args.extra_headers = "novalue\r\nX-Kept: 1";
    const EchoedRequest request = echoed(web_access(*m_transport, args));
    EXPECT_EQ(args.status_code, 200);
    const std::vector<std::string> lines = caller_lines(request);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "X-Kept: 1");
    for (const std::string& line : lines) {
        EXPECT_EQ(line.find("novalue"), std::string::npos);
    }
}

struct VerbRow {
    int method;
    const char* verb;
};

TEST_F(CurlWebAccess, MethodTableOnTheWire) {
    const std::vector<VerbRow> rows = {{0, "GET"},     {1, "POST"},   {2, "HEAD"},  {3, "PUT"},
                                       {4, "OPTIONS"}, {5, "DELETE"}, {6, "TRACE"}, {7, "CONNECT"},
                                       {8, "GET"},     {-1, "GET"}};
    for (const VerbRow& row : rows) {
        WebAccessArgs args;
        args.url = server().url("/verb");
        args.method = row.method;
        web_access(*m_transport, args);
        EXPECT_EQ(args.status_code, 200) << "method " << row.method;
        EXPECT_NE(args.response_headers.find(std::string("X-Echo-Method: ") + row.verb + "\r\n"),
                  std::string::npos)
            << "method " << row.method << ": " << args.response_headers;
    }
}

TEST_F(CurlWebAccess, ReusedRequestObjectSendsEachRequestAfresh) {
    const std::unique_ptr<HttpSession> session = m_transport->open_session();
    ASSERT_NE(session, nullptr);
    const auto send = [&](int method, std::string body, std::string headers) {
        WebAccessArgs args;
        args.url = server().url("/again");
        args.method = method;
        args.post_text = std::move(body);
        args.extra_headers = std::move(headers);
        args.request_object = session.get();
        const Bytes reply = web_access(*m_transport, args);
        EXPECT_EQ(args.status_code, 200) << "method " << method;
        return reply;
    };
    const EchoedRequest post = echoed(send(1, "a=1", "X-Once: 1"));
    EXPECT_EQ(post.body, "a=1");
    EXPECT_TRUE(send(2, "", "").empty());
    const EchoedRequest get = echoed(send(0, "", ""));
    EXPECT_EQ(get.method, "GET");
    EXPECT_EQ(get.body, "");
    EXPECT_TRUE(get.values_of("Content-Type").empty());
    EXPECT_TRUE(get.values_of("Content-Length").empty());
    EXPECT_TRUE(get.values_of("X-Once").empty());
    EXPECT_EQ(echoed(send(5, "", "")).method, "DELETE");
    EXPECT_EQ(echoed(send(0, "", "")).method, "GET");
}

TEST_F(CurlWebAccess, SetCookieLinesBecomeTheReceivedCookies) {
    ReplyScript script;
    script.set_cookies = {"a=1; path=/", "b=2"};
    WebAccessArgs args;
    args.url = server().url("/cookies", script);
    web_access(*m_transport, args);
    EXPECT_EQ(args.received_cookies, "a=1; b=2");
}

TEST_F(CurlWebAccess, SentCookiesAreMergedIntoBothTexts) {
    ReplyScript script;
    script.set_cookies = {"b=3; path=/", "old=deleted"};
    WebAccessArgs args;
    args.url = server().url("/cookies", script);
    args.send_cookies = "a=1; b=2; old=7";
    const EchoedRequest request = echoed(web_access(*m_transport, args));
    EXPECT_EQ(request.values_of("Cookie"), std::vector<std::string>{"a=1; b=2; old=7"});
    EXPECT_EQ(args.received_cookies, "b=3; a=1");
    EXPECT_EQ(args.send_cookies, "b=3; a=1");
}

TEST_F(CurlWebAccess, CookiesGivenAsEmptyTextSendAnEmptyCookieHeader) {
    WebAccessArgs args;
    args.url = server().url("/echo");
    args.send_cookies = "";
    const EchoedRequest request = echoed(web_access(*m_transport, args));
    EXPECT_EQ(request.values_of("Cookie"), std::vector<std::string>{""});

    WebAccessArgs without;
    without.url = server().url("/echo");
    EXPECT_TRUE(echoed(web_access(*m_transport, without)).values_of("Cookie").empty());
}

TEST_F(CurlWebAccess, BodyWithAZeroByteArrivesWhole) {
    ReplyScript script;
    script.body = std::string("ab\0cd", 5);
    const Bytes body = web_access(*m_transport, server().url("/zero", script));
    EXPECT_EQ(body, (Bytes{'a', 'b', 0, 'c', 'd'}));
    EXPECT_EQ(text_of_bytes(body), "ab");
}

TEST_F(CurlWebAccess, RedirectsFollowedOrNot) {
    ReplyScript script;
    script.location = "/landed";
    script.set_cookies = {"hop=1"};
    const std::string url = server().url("/start", script);

    WebAccessArgs followed;
    followed.url = url;
    const EchoedRequest request = echoed(web_access(*m_transport, followed));
    EXPECT_EQ(request.target, "/landed");
    EXPECT_EQ(followed.status_code, 200);
    EXPECT_EQ(followed.response_headers.find("Location:"), std::string::npos);
    EXPECT_EQ(followed.received_cookies, "");  // the final reply set none

    WebAccessArgs stopped;
    stopped.url = url;
    stopped.no_redirect = true;
    EXPECT_TRUE(echoed(web_access(*m_transport, stopped)).target.starts_with("/start?"));
    EXPECT_EQ(stopped.status_code, 302);
    EXPECT_NE(stopped.response_headers.find("Location: /landed\r\n"), std::string::npos);
    EXPECT_EQ(stopped.received_cookies, "hop=1");
}

TEST_F(CurlWebAccess, EndlessBodyIsCutAtTheCap) {
    ReplyScript script;
    script.endless_body = true;
    WebAccessArgs args;
    args.url = server().url("/endless", script);
    const Bytes body = web_access(*m_transport, args);
    EXPECT_EQ(body.size(), kReplyBodyCap);
    EXPECT_EQ(args.status_code, 200);
}

TEST_F(CurlWebAccess, UnreachablePortGivesEmptyReplyAndStatusZero) {
    WebAccessArgs args;
    args.url = "http://127.0.0.1:" + std::to_string(test_support::closed_loopback_port()) + "/x";
    args.response_headers = "Old: 1\r\n";
    EXPECT_TRUE(web_access(*m_transport, args).empty());
    EXPECT_EQ(args.status_code, 0);
    EXPECT_EQ(args.response_headers, "");
}

TEST_F(CurlWebAccess, OnlyWebAddressesAreFetched) {
    WebAccessArgs args;
    args.url = "file:///etc/hostname";
    EXPECT_TRUE(web_access(*m_transport, args).empty());
    EXPECT_EQ(args.status_code, 0);
}

struct StallRow {
    const char* label;
    Stall stall;
};

TEST_F(CurlWebAccess, StalledReplyIsAbandonedWithinTheTimeoutPlusOneSecond) {
    const std::vector<StallRow> rows = {{"nothing after the request", Stall::before_reply},
                                        {"stall inside the body", Stall::inside_body}};
    for (const StallRow& row : rows) {
        ReplyScript script;
        script.stall = row.stall;
        WebAccessArgs args;
        args.url = server().url("/stall", script);
        args.timeout_s = 1;
        const auto started = std::chrono::steady_clock::now();
        EXPECT_TRUE(web_access(*m_transport, args).empty()) << row.label;
        const auto waited = std::chrono::steady_clock::now() - started;
        EXPECT_EQ(args.status_code, 0) << row.label;
        EXPECT_GE(waited, std::chrono::milliseconds(900)) << row.label;
        EXPECT_LT(waited, std::chrono::seconds(2)) << row.label;
    }
}

TEST_F(CurlWebAccess, SlowReplyWithinTheTimeoutArrives) {
    ReplyScript script;
    script.delay_ms = 300;
    script.body = "late";
    WebAccessArgs args;
    args.url = server().url("/slow", script);
    args.timeout_s = 2;
    EXPECT_EQ(web_access(*m_transport, args), bytes_of_text("late"));
}

TEST_F(CurlWebAccess, SuppliedRequestObjectKeepsItsCookiesAndTimeouts) {
    const std::unique_ptr<HttpSession> session = m_transport->open_session();
    ASSERT_NE(session, nullptr);
    ReplyScript set;
    set.set_cookies = {"sid=42; path=/"};

    WebAccessArgs first;
    first.url = server().url("/login", set);
    first.request_object = session.get();
    first.timeout_s = 1;
    web_access(*m_transport, first);

    WebAccessArgs second;
    second.url = server().url("/echo");
    second.request_object = session.get();
    second.timeout_s = -1;
    EXPECT_EQ(echoed(web_access(*m_transport, second)).values_of("Cookie"),
              std::vector<std::string>{"sid=42"});
    EXPECT_EQ(echoed(web_access(*m_transport, second)).values_of("Cookie"),
              std::vector<std::string>{"sid=42"});

    // Without a request object each call starts with an empty cookie store.
    WebAccessArgs fresh;
    fresh.url = server().url("/echo");
    EXPECT_TRUE(echoed(web_access(*m_transport, fresh)).values_of("Cookie").empty());

    // -1 leaves the one-second time-out of the first call in force.
    ReplyScript stall;
    stall.stall = Stall::before_reply;
    WebAccessArgs stalled;
    stalled.url = server().url("/stall", stall);
    stalled.request_object = session.get();
    stalled.timeout_s = -1;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_TRUE(web_access(*m_transport, stalled).empty());
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
}

TEST(CurlWebAccessTls, SelfSignedCertificateIsAccepted) {
    TestServerOptions options;
    options.tls = true;
    TestServer server(options);
    const auto transport = make_curl_http_transport();
    WebAccessArgs args;
    args.url = server.url("/secure");
    const auto request = test_support::parse_echo(text_of_bytes(web_access(*transport, args)));
    ASSERT_TRUE(request.has_value());
    EXPECT_EQ(request->target, "/secure");
    EXPECT_EQ(args.status_code, 200);
}

struct ProxyRow {
    const char* label;
    std::string user;
    std::string password;
    bool basic_auth;
    int expected_status;
};

TEST(CurlWebAccessProxy, ProxyWithBasicCredentials) {
    TestServerOptions options;
    options.proxy_user = "scanner";
    options.proxy_password = "s3cret:x";
    TestServer proxy(options);
    const auto transport = make_curl_http_transport();
    const std::vector<ProxyRow> rows = {
        {"right credentials", "scanner", "s3cret:x", true, 200},
        {"wrong password", "scanner", "nope", true, 407},
        {"basic auth switched off", "scanner", "s3cret:x", false, 407},
        {"no user", "", "", true, 407},
    };
    for (const ProxyRow& row : rows) {
        WebAccessArgs args;
        // The proxy answers itself, so the host name never needs resolving.
        args.url = "http://number-pool.invalid/q?x=1";
        args.proxy = proxy.host_port();
        args.proxy_user = row.user;
        args.proxy_password = row.password;
        args.proxy_basic_auth = row.basic_auth;
        const Bytes body = web_access(*transport, args);
        EXPECT_EQ(args.status_code, row.expected_status) << row.label;
        if (row.expected_status == 200) {
            const auto request = test_support::parse_echo(text_of_bytes(body));
            ASSERT_TRUE(request.has_value()) << row.label;
            EXPECT_EQ(request->target, "http://number-pool.invalid/q?x=1") << row.label;
        }
    }
}

}  // namespace
}  // namespace qorvex::web
