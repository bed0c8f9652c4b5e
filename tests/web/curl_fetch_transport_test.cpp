#include "web/curl/curl_fetch_transport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/test_server.h"
#include "web/url_parts.h"
#include "web/wininet_fetch.h"

namespace qorvex::web {
namespace {

using test_support::EchoedRequest;
using test_support::ReplyScript;
using test_support::TestServer;
using test_support::TestServerOptions;

// wininet_fetch through libcurl where it differs from WinINet: an extra CA
// file, and a proxy chosen again along redirects. The plain server lives as
// long as the test process.
TestServer& plain_server() {
    return test_support::shared_plain_server();
}

EchoedRequest echoed(const Bytes& body) {
    return test_support::expect_echo(std::string(body.begin(), body.end()));
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

}  // namespace
}  // namespace qorvex::web
