#include "web/curl/curl_fetch_transport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "support/test_server.h"
#include "web/text_ops.h"
#include "web/url_parts.h"
#include "web/wininet_fetch.h"

namespace qorvex::web {
namespace {

using test_support::EchoedRequest;
using test_support::ReplyScript;
using test_support::TestServer;
using test_support::TestServerOptions;

constexpr std::string_view kDefaultAgent = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

// wininet_fetch against the local server through libcurl. The plain server
// lives as long as the test process; the certificate test starts its own
// secure one.
TestServer& plain_server() {
    static TestServer server;
    return server;
}

EchoedRequest echoed(const Bytes& body) {
    const std::string text(body.begin(), body.end());
    const auto request = test_support::parse_echo(text);
    EXPECT_TRUE(request.has_value()) << "not an echo: " << text;
    return request.value_or(EchoedRequest{});
}

// The values of every header line with this name, in any letter case.
std::vector<std::string> values_in_any_case(const EchoedRequest& request, std::string_view name) {
    std::vector<std::string> values;
    for (const std::string& line : request.header_lines) {
        const std::size_t colon = line.find(':');
        if (colon != std::string::npos && lower_case(line.substr(0, colon)) == name) {
            values.push_back(trim_spaces(line.substr(colon + 1)));
        }
    }
    return values;
}

class CurlWininetFetch : public ::testing::Test {
protected:
    static TestServer& server() { return plain_server(); }

    std::unique_ptr<FetchTransport> m_transport = make_curl_fetch_transport();
};

struct WireAgentRow {
    const char* label;
    std::string extra_headers;
    std::string agent;
};

TEST_F(CurlWininetFetch, SendsOneUserAgentChosenFromTheCallersBlock) {
    const std::vector<WireAgentRow> rows = {
        {"no block: the default agent", "", std::string(kDefaultAgent)},
        {"User-Agent: X after another line", "Accept: */*\r\nUser-Agent: X", "X"},
        {"lower-case user-agent: X alone", "user-agent: X", "X"},
    };
    for (const WireAgentRow& row : rows) {
        WininetFetchArgs args;
        args.url = server().url("/agent");
        args.extra_headers = row.extra_headers;
        const EchoedRequest request = echoed(wininet_fetch(*m_transport, args));
        EXPECT_EQ(values_in_any_case(request, "user-agent"), std::vector<std::string>{row.agent})
            << row.label;
    }
}

TEST_F(CurlWininetFetch, DefaultGetSendsTheCompletedBlockAndNothingElseOfItsOwn) {
    const std::string url = server().url("/plain");
    WininetFetchArgs args;
    args.url = url;
    const EchoedRequest request = echoed(wininet_fetch(*m_transport, args));

    EXPECT_EQ(request.method, "GET");
    EXPECT_EQ(request.target, "/plain");
    std::vector<std::string> lines = request.header_lines;
    std::sort(lines.begin(), lines.end());
    std::vector<std::string> expected = {"Host: " + server().host_port(),
                                         "User-Agent: " + std::string(kDefaultAgent), "Accept: */*",
                                         "Referer: " + url, "Accept-Language: zh-cn"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(lines, expected);
}

TEST_F(CurlWininetFetch, PostSendsThePostTextAndLeavesItInPostBytes) {
    WininetFetchArgs args;
    args.url = server().url("/form");
    args.method = kMethodPost;
    args.post_text = "name=%E4&x=1";
    const EchoedRequest request = echoed(wininet_fetch(*m_transport, args));

    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.body, "name=%E4&x=1");
    EXPECT_EQ(request.values_of("Content-Type"),
              std::vector<std::string>{"application/x-www-form-urlencoded"});
    EXPECT_EQ(args.post_bytes, bytes_of_text("name=%E4&x=1"));
}

TEST_F(CurlWininetFetch, ReturnsTheRawHeaderBlockWholeWithItsStatusLine) {
    ReplyScript script;
    script.body = "ok";
    const std::string long_value(6000, 'v');
    script.headers = {"X-Long: " + long_value};
    WininetFetchArgs args;
    args.url = server().url("/long", script);

    EXPECT_EQ(wininet_fetch(*m_transport, args), bytes_of_text("ok"));
    EXPECT_GT(args.response_headers.size(), 5000U);
    EXPECT_TRUE(args.response_headers.starts_with("HTTP/1.1 200 OK\r\n")) << args.response_headers;
    EXPECT_NE(args.response_headers.find("\r\nX-Long: " + long_value + "\r\n"), std::string::npos);
    EXPECT_TRUE(args.response_headers.ends_with("\r\n\r\n"));
    EXPECT_EQ(args.response_headers.find(std::string(5000, ' ')), std::string::npos);
}

TEST_F(CurlWininetFetch, SendsTheGivenCookiesAndMergesTheOnesSet) {
    ReplyScript script;
    script.set_cookies = {"b=2; path=/"};
    WininetFetchArgs args;
    args.url = server().url("/cookies", script);
    args.send_cookies = "a=1";
    const EchoedRequest request = echoed(wininet_fetch(*m_transport, args));

    EXPECT_EQ(request.values_of("Cookie"), std::vector<std::string>{"a=1"});
    EXPECT_EQ(args.received_cookies, "b=2; a=1");
}

TEST_F(CurlWininetFetch, FollowsRedirectsUnlessAskedNotTo) {
    ReplyScript redirect;
    redirect.location = server().url("/target");

    WininetFetchArgs followed;
    followed.url = server().url("/from", redirect);
    EXPECT_EQ(echoed(wininet_fetch(*m_transport, followed)).target, "/target");

    WininetFetchArgs stopped;
    stopped.url = server().url("/from", redirect);
    stopped.no_redirect = true;
    wininet_fetch(*m_transport, stopped);
    EXPECT_TRUE(stopped.response_headers.starts_with("HTTP/1.1 302")) << stopped.response_headers;
}

TEST_F(CurlWininetFetch, APlainAddressGoesThroughTheHttpProxy) {
    WininetFetchArgs args;
    args.url = "http://update.invalid/file.txt";
    args.proxy = server().host_port();
    const EchoedRequest request = echoed(wininet_fetch(*m_transport, args));

    EXPECT_EQ(request.target, "http://update.invalid/file.txt");
}

TEST_F(CurlWininetFetch, ASecureAddressTunnelsThroughTheProxy) {
    WininetFetchArgs args;
    args.url = "https://update.invalid/file.txt";
    args.proxy = server().host_port();
    wininet_fetch(*m_transport, args);

    const std::vector<std::string> seen = server().requests();
    EXPECT_NE(std::find(seen.begin(), seen.end(), "CONNECT update.invalid:443"), seen.end());
}

TEST(CurlWininetFetchCertificates, AnUntrustedCertificateFailsAndTheCaFileTrustsIt) {
    TestServerOptions options;
    options.tls = true;
    TestServer secure(options);
    const std::string url = secure.url("/version");

    WininetFetchArgs untrusted;
    untrusted.url = url;
    EXPECT_TRUE(wininet_fetch(*make_curl_fetch_transport(), untrusted).empty());
    EXPECT_EQ(untrusted.response_headers, "");

    WininetFetchArgs missing_file;
    missing_file.url = url;
    EXPECT_TRUE(
        wininet_fetch(*make_curl_fetch_transport("/nonexistent/ca.pem"), missing_file).empty());

    WininetFetchArgs trusted;
    trusted.url = url;
    const Bytes body =
        wininet_fetch(*make_curl_fetch_transport(secure.certificate_path()), trusted);
    const auto request = test_support::parse_echo(std::string(body.begin(), body.end()));
    ASSERT_TRUE(request.has_value());
    EXPECT_EQ(request->target, "/version");
    EXPECT_TRUE(trusted.response_headers.starts_with("HTTP/1.1 200"));
}

// A plain address names its proxy for http only: a redirect to https goes
// on directly, not through the proxy of the first request.
TEST(CurlWininetFetchProxies, ARedirectToHttpsLeavesTheProxyNamedForHttp) {
    TestServerOptions options;
    options.tls = true;
    TestServer secure(options);
    TestServer& proxy = plain_server();
    const std::string secure_host = url_host(secure.base_url(), true);
    struct RedirectRow {
        const char* label;
        int method;
        int status;
        const char* method_after;
    };
    const RedirectRow rows[] = {
        {"GET answered with 302", kMethodGet, 302, "GET"},
        {"POST answered with 303 goes on as GET", kMethodPost, 303, "GET"},
        {"POST answered with 307 stays POST", kMethodPost, 307, "POST"},
    };
    for (const RedirectRow& row : rows) {
        SCOPED_TRACE(row.label);
        ReplyScript redirect;
        redirect.status = row.status;
        redirect.location = secure.url("/target");
        WininetFetchArgs args;
        args.url = proxy.url("/from", redirect);
        args.method = row.method;
        args.post_text = "a=1";
        args.proxy = proxy.host_port();
        const Bytes body =
            wininet_fetch(*make_curl_fetch_transport(secure.certificate_path()), args);

        const EchoedRequest request = echoed(body);
        EXPECT_EQ(request.target, "/target");
        EXPECT_EQ(request.method, row.method_after);
        EXPECT_TRUE(args.response_headers.starts_with("HTTP/1.1 200")) << args.response_headers;
    }
    const std::vector<std::string> seen = proxy.requests();
    EXPECT_EQ(std::count(seen.begin(), seen.end(), "CONNECT " + secure_host), 0);
}

TEST(CurlFetchTransport, RefusesToOpenWithoutAHostOrWithAPortOutOfRange) {
    const std::unique_ptr<FetchTransport> transport = make_curl_fetch_transport();
    FetchTarget target;
    target.verb = "GET";
    target.path = "/";
    target.port = 80;
    EXPECT_EQ(transport->open(target), nullptr);
    target.host = "127.0.0.1";
    target.port = 70000;
    EXPECT_EQ(transport->open(target), nullptr);
    target.port = 80;
    EXPECT_NE(transport->open(target), nullptr);
}

}  // namespace
}  // namespace qorvex::web
