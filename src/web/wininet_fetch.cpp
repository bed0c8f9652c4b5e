#include "web/wininet_fetch.h"

#include <memory>

#include "web/cookies_headers.h"
#include "web/text_ops.h"
#include "web/url_parts.h"

namespace qorvex::web {

namespace {

constexpr std::string_view kUserAgentMarker = "User-Agent:";
constexpr std::string_view kCookieMarker = "Cookie:";
constexpr std::string_view kLineEnd = "\r\n";

bool is_secure(std::string_view url) {
    return lower_case(left_text(url, 8)) == "https://";
}

// A plain address names its proxy for http only, so that a redirect to
// https leaves it; a secure one for every scheme.
std::string session_proxy(const WininetFetchArgs& args, bool secure) {
    if (args.proxy.empty() || secure) {
        return args.proxy;
    }
    return "http=" + args.proxy;
}

FetchTarget target_of(const WininetFetchArgs& args, int method) {
    const bool secure = is_secure(args.url);
    FetchTarget target;
    target.user_agent = fetch_user_agent(args.extra_headers);
    target.proxy = session_proxy(args, secure);
    target.host = url_host(args.url);
    target.port = url_port(args.url);
    target.verb = method_verb(method);
    target.path = url_path(args.url);
    target.flags.reload = true;
    target.flags.no_cookies = args.send_cookies.has_value();
    target.flags.no_auto_redirect = args.no_redirect;
    target.flags.secure = secure;
    target.flags.ignore_redirect_to_https = !secure;
    target.stop = args.stop;
    return target;
}

void complete_header_block(WininetFetchArgs& args, int method) {
    std::string& block = args.extra_headers;
    add_browser_header_lines(block, args.url);
    if (method == kMethodPost) {
        add_header_line_unless(block,
                               "Content-Type:", "Content-Type: " + std::string(kFormContentType));
    }
    if (args.send_cookies.has_value() && !args.send_cookies->empty()) {
        const std::string& cookies = *args.send_cookies;
        block += kLineEnd;
        if (find_text(cookies, kCookieMarker) == kNotFound) {
            block += "Cookie: ";
        }
        block += cookies;
    }
}

}  // namespace

std::string fetch_user_agent(std::string_view extra_headers) {
    if (find_text(extra_headers, kUserAgentMarker, 1, true) == kNotFound) {
        return std::string(kDefaultUserAgent);
    }
    std::string agent = trim_spaces(text_between(std::string(extra_headers) + std::string(kLineEnd),
                                                 kUserAgentMarker, kLineEnd));
    if (agent.empty()) {
        // No value on an exactly spelt line (the name may be spelt in another
        // case): the value after the block's first ":".
        agent = header_value(extra_headers);
    }
    return agent;
}

Bytes wininet_fetch(FetchTransport& transport, WininetFetchArgs& args) {
    const int method = normalized_method(args.method);
    const std::unique_ptr<FetchExchange> exchange = transport.open(target_of(args, method));
    if (!exchange) {
        return {};
    }
    complete_header_block(args, method);
    if (method != kMethodGet && args.post_bytes.empty()) {
        args.post_bytes = bytes_of_text(args.post_text);
    }
    FetchReply reply =
        exchange->send(args.extra_headers, method == kMethodGet ? Bytes{} : args.post_bytes);
    // The whole block comes back, however long; a block that did not fit a
    // fixed buffer must not turn into filler that holds no header at all.
    args.response_headers = std::move(reply.raw_headers);
    args.received_cookies =
        received_cookie_text(args.response_headers, args.send_cookies, args.merge_cookies);
    return std::move(reply.body);
}

Bytes wininet_fetch(FetchTransport& transport, std::string_view url, std::stop_token stop) {
    WininetFetchArgs args;
    args.url = std::string(url);
    args.stop = std::move(stop);
    return wininet_fetch(transport, args);
}

}  // namespace qorvex::web
