// web_access on the wire, over the platform's own request object (libcurl
// on Linux, WinHTTP on Windows under Wine) against the local test server.

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>
#include <stop_token>
#include <string>
#include <vector>

#include "support/platform.h"
#include "support/test_server.h"
#include "web/platform_transports.h"
#include "web/web_access.h"

namespace qorvex::web {
namespace {

using test_support::EchoedRequest;
using test_support::ReplyScript;
using test_support::Stall;
using test_support::TestServer;
using test_support::TestServerOptions;

constexpr const char* kAgentLine = "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

// One plain server serves the whole suite; tests that need another kind
// start their own.
class PlatformWebAccess : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_server = new TestServer(); }
    static void TearDownTestSuite() {
        delete s_server;
        s_server = nullptr;
    }

    static TestServer& server() { return *s_server; }

    static EchoedRequest echoed(const Bytes& body) {
        return test_support::expect_echo(std::string(body.begin(), body.end()));
    }

    // The header lines the server saw, without those the request layer adds
    // of its own (Host, Connection) and the length line of a body.
    static std::vector<std::string> caller_lines(const EchoedRequest& request) {
        std::vector<std::string> lines;
        for (const std::string& line : request.header_lines) {
            if (!line.starts_with("Host:") && !line.starts_with("Content-Length:") &&
                !line.starts_with("Connection:")) {
                lines.push_back(line);
            }
        }
        return lines;
    }

    std::unique_ptr<HttpTransport> m_transport = make_platform_http_transport();

private:
    static TestServer* s_server;
};

TestServer* PlatformWebAccess::s_server = nullptr;

// The longest a silent server holds an exchange with a one-second time-out:
// about 1.0 s on both platforms, where a transport that left the wait to the
// deadline of four time-outs would take over 4 s.
constexpr std::chrono::milliseconds kOneSecondStallBound{2000};

TEST_F(PlatformWebAccess, DefaultGetSendsExactlyTheDefaultHeaderBlock) {
    const std::string url = server().url("/echo");
    WebAccessArgs args;
    args.url = url;
    const EchoedRequest request = echoed(web_access(*m_transport, args));

    EXPECT_EQ(request.method, "GET");
    EXPECT_EQ(request.target, "/echo");
    EXPECT_EQ(caller_lines(request),
              (std::vector<std::string>{"Accept: */*", "Referer: " + url, "Accept-Language: zh-cn",
                                        kAgentLine}));
    EXPECT_EQ(request.values_of("Host"), std::vector<std::string>{server().host_port()});
    EXPECT_EQ(request.body, "");
    EXPECT_EQ(args.status_code, 200);
    EXPECT_NE(args.response_headers.find("X-Echo-Method: GET\r\n"), std::string::npos);
    EXPECT_EQ(args.response_headers.find("HTTP/1.1"), std::string::npos);
}

TEST_F(PlatformWebAccess, LowerCaseRefererTravelsBesideTheDefaultLine) {
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

TEST_F(PlatformWebAccess, PostContentTypeAndBody) {
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

TEST_F(PlatformWebAccess, HeaderLineWithoutColonIsNotSentAndTheRequestGoesThrough) {
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

TEST_F(PlatformWebAccess, MethodTableOnTheWire) {
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

TEST_F(PlatformWebAccess, ReusedRequestObjectSendsEachRequestAfresh) {
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

TEST_F(PlatformWebAccess, SetCookieLinesBecomeTheReceivedCookies) {
    ReplyScript script;
    script.set_cookies = {"a=1; path=/", "b=2"};
    WebAccessArgs args;
    args.url = server().url("/cookies", script);
    web_access(*m_transport, args);
    EXPECT_EQ(args.received_cookies, "a=1; b=2");
}

TEST_F(PlatformWebAccess, SentCookiesAreMergedIntoBothTexts) {
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

TEST_F(PlatformWebAccess, CookiesGivenAsEmptyTextSendAnEmptyCookieHeader) {
    WebAccessArgs args;
    args.url = server().url("/echo");
    args.send_cookies = "";
    const EchoedRequest request = echoed(web_access(*m_transport, args));
    EXPECT_EQ(request.values_of("Cookie"), std::vector<std::string>{""});

    WebAccessArgs without;
    without.url = server().url("/echo");
    EXPECT_TRUE(echoed(web_access(*m_transport, without)).values_of("Cookie").empty());
}

TEST_F(PlatformWebAccess, BodyWithAZeroByteArrivesWhole) {
    ReplyScript script;
    script.body = std::string("ab\0cd", 5);
    const Bytes body = web_access(*m_transport, server().url("/zero", script));
    EXPECT_EQ(body, (Bytes{'a', 'b', 0, 'c', 'd'}));
    EXPECT_EQ(text_of_bytes(body), "ab");
}

TEST_F(PlatformWebAccess, RedirectsFollowedOrNot) {
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

TEST_F(PlatformWebAccess, EndlessBodyIsCutAtTheCap) {
    ReplyScript script;
    script.endless_body = true;
    WebAccessArgs args;
    args.url = server().url("/endless", script);
    const Bytes body = web_access(*m_transport, args);
    EXPECT_EQ(body.size(), kReplyBodyCap);
    EXPECT_EQ(args.status_code, 200);
}

TEST_F(PlatformWebAccess, UnreachablePortGivesEmptyReplyAndStatusZero) {
    WebAccessArgs args;
    args.url = "http://127.0.0.1:" + std::to_string(test_support::closed_loopback_port()) + "/x";
    args.response_headers = "Old: 1\r\n";
    EXPECT_TRUE(web_access(*m_transport, args).empty());
    EXPECT_EQ(args.status_code, 0);
    EXPECT_EQ(args.response_headers, "");
}

TEST_F(PlatformWebAccess, OnlyWebAddressesAreFetched) {
    WebAccessArgs args;
    args.url = "file:///etc/hostname";
    EXPECT_TRUE(web_access(*m_transport, args).empty());
    EXPECT_EQ(args.status_code, 0);
}

struct StallRow {
    const char* label;
    Stall stall;
};

TEST_F(PlatformWebAccess, StalledReplyIsAbandonedWithinTheTimeoutPlusOneSecond) {
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
        EXPECT_LT(waited, kOneSecondStallBound) << row.label;
    }
}

struct CutRow {
    const char* label;
    Stall stall;
    // Wine's WinHTTP ends a chunked body at the connection's end as if it
    // were whole, and tells its caller nothing that would set the two apart.
    bool whole_under_wine;
};

// Every value read after a failure is empty or zero, however much of the
// reply had come.
TEST_F(PlatformWebAccess, BodyCutOffMidTransferIsNoReply) {
    const std::vector<CutRow> rows = {
        {"short of its Content-Length", Stall::cut_off, false},
        {"chunked, cut before the last chunk", Stall::chunk_gap, true},
        {"chunked, cut inside a chunk", Stall::chunk_part, true}};
    for (const CutRow& row : rows) {
        ReplyScript script;
        script.stall = row.stall;
        script.body = "part of the body";
        WebAccessArgs args;
        args.url = server().url("/cut", script);
        const Bytes body = web_access(*m_transport, args);
        if (row.whole_under_wine && test_support::running_under_wine()) {
            EXPECT_EQ(body, bytes_of_text("part of the body")) << row.label;
            continue;
        }
        EXPECT_TRUE(body.empty()) << row.label;
        EXPECT_EQ(args.status_code, 0) << row.label;
        EXPECT_EQ(args.response_headers, "") << row.label;
    }
}

// A length no 64-bit number holds announces a body that never comes whole.
TEST_F(PlatformWebAccess, ContentLengthBeyondAnyNumberIsNoReply) {
    for (const char* length : {"123456789012345678901", "99999999999999999999"}) {
        ReplyScript script;
        script.headers = {std::string("Content-Length: ") + length};
        script.body = "abc";
        WebAccessArgs args;
        args.url = server().url("/length", script);
        EXPECT_TRUE(web_access(*m_transport, args).empty()) << length;
        EXPECT_EQ(args.status_code, 0) << length;
    }
}

// A server that sends a byte now and then never lets a wait run out; the
// whole exchange still ends after four times the time-out.
TEST_F(PlatformWebAccess, TricklingReplyEndsAtTheDeadline) {
    ReplyScript script;
    script.stall = Stall::trickle;
    script.trickle_ms = 100;
    WebAccessArgs args;
    args.url = server().url("/trickle", script);
    args.timeout_s = 1;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_TRUE(web_access(*m_transport, args).empty());
    const auto waited = std::chrono::steady_clock::now() - started;
    EXPECT_EQ(args.status_code, 0);
    EXPECT_GE(waited, std::chrono::milliseconds(3900));
    EXPECT_LT(waited, std::chrono::milliseconds(5500));
}

TEST_F(PlatformWebAccess, StopEndsAnExchangeInFlightAtOnce) {
    const std::vector<StallRow> rows = {{"nothing after the request", Stall::before_reply},
                                        {"stall inside the body", Stall::inside_body},
                                        {"trickling body", Stall::trickle}};
    for (const StallRow& row : rows) {
        ReplyScript script;
        script.stall = row.stall;
        WebAccessArgs args;
        args.url = server().url("/stop", script);
        std::stop_source stop;
        args.stop = stop.get_token();
        auto exchange =
            std::async(std::launch::async, [&]() { return web_access(*m_transport, args); });
        ASSERT_EQ(exchange.wait_for(std::chrono::milliseconds(500)), std::future_status::timeout)
            << row.label;
        stop.request_stop();
        ASSERT_EQ(exchange.wait_for(std::chrono::seconds(1)), std::future_status::ready)
            << row.label;
        EXPECT_TRUE(exchange.get().empty()) << row.label;
        EXPECT_EQ(args.status_code, 0) << row.label;
    }
}

TEST_F(PlatformWebAccess, SlowReplyWithinTheTimeoutArrives) {
    ReplyScript script;
    script.delay_ms = 300;
    script.body = "late";
    WebAccessArgs args;
    args.url = server().url("/slow", script);
    args.timeout_s = 2;
    EXPECT_EQ(web_access(*m_transport, args), bytes_of_text("late"));
}

TEST_F(PlatformWebAccess, SuppliedRequestObjectKeepsItsCookiesAndTimeouts) {
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
    EXPECT_LT(std::chrono::steady_clock::now() - started, kOneSecondStallBound);
}

TEST(PlatformWebAccessTls, SelfSignedCertificateIsAccepted) {
    TestServerOptions options;
    options.tls = true;
    TestServer server(options);
    const auto transport = make_platform_http_transport();
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

TEST(PlatformWebAccessProxy, ProxyWithBasicCredentials) {
    TestServerOptions options;
    options.proxy_user = "scanner";
    options.proxy_password = "s3cret:x";
    TestServer proxy(options);
    const auto transport = make_platform_http_transport();
    const std::vector<ProxyRow> rows = {
        {"right credentials", "scanner", "s3cret:x", true, 200},
        {"wrong password", "scanner", "nope", true, 407},
        {"basic auth switched off", "scanner", "s3cret:x", false, 407},
        {"no user", "", "", true, 407},
    };
    for (const ProxyRow& row : rows) {
        WebAccessArgs args;
        // The proxy answers itself; the address (a documentation one) is never reached.
        args.url = "http://192.0.2.1/q?x=1";
        args.proxy = proxy.host_port();
        args.proxy_user = row.user;
        args.proxy_password = row.password;
        args.proxy_basic_auth = row.basic_auth;
        const Bytes body = web_access(*transport, args);
        EXPECT_EQ(args.status_code, row.expected_status) << row.label;
        if (row.expected_status == 200) {
            const auto request = test_support::parse_echo(text_of_bytes(body));
            ASSERT_TRUE(request.has_value()) << row.label;
            // In absolute form; Wine's WinHTTP names the port even where it is the default.
            EXPECT_TRUE(request->target == "http://192.0.2.1/q?x=1" ||
                        request->target == "http://192.0.2.1:80/q?x=1")
                << row.label << ": " << request->target;
        }
    }
}

}  // namespace
}  // namespace qorvex::web
