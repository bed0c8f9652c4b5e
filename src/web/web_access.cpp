#include "web/web_access.h"

#include <algorithm>
#include <cstdint>

#include "web/base64.h"
#include "web/cookies_headers.h"
#include "web/request_policy.h"
#include "web/text_ops.h"

namespace qorvex::web {

namespace {

constexpr int kLeaveTimeoutsAlone = -1;
constexpr int kDefaultTimeoutMs = 15000;
constexpr std::string_view kLineEnd = "\r\n";

std::optional<int> timeout_ms_of(int timeout_s) {
    if (timeout_s == kLeaveTimeoutsAlone) {
        return std::nullopt;
    }
    if (timeout_s < 1) {
        return kDefaultTimeoutMs;
    }
    // Seconds beyond what fits in milliseconds wait as long as they can.
    const std::int64_t ms = std::int64_t{timeout_s} * 1000;
    return static_cast<int>(std::min<std::int64_t>(ms, INT32_MAX));
}

void complete_header_block(std::string& block, std::string_view url, int method) {
    add_browser_header_lines(block, url);
    add_header_line_unless(block, "User-Agent:", "User-Agent: " + std::string(kDefaultUserAgent));
    if (method == kMethodPost) {
        block = replace_text(block, "content-type", "Content-Type");
        add_header_line_unless(block,
                               "Content-Type:", "Content-Type: " + std::string(kFormContentType));
    }
}

void add_block_fields(std::vector<HeaderField>& fields, std::string_view block) {
    if (find_text(block, kLineEnd) == kNotFound) {
        fields.push_back({header_name(block), header_value(block)});
        return;
    }
    for (const std::string& line : split_text(block, kLineEnd)) {
        if (!line.empty()) {
            fields.push_back({header_name(line), header_value(line)});
        }
    }
}

HttpRequest request_of(WebAccessArgs& args, int method) {
    HttpRequest request;
    request.verb = method_verb(method);
    request.url = args.url;
    request.timeout_ms = timeout_ms_of(args.timeout_s);
    request.follow_redirects = !args.no_redirect;
    request.stop = args.stop;
    if (!args.proxy.empty()) {
        request.proxy = args.proxy;
        if (!args.proxy_user.empty() && args.proxy_basic_auth) {
            request.headers.push_back(
                {"Proxy-Authorization",
                 "Basic " + base64_encode(args.proxy_user + ":" + args.proxy_password)});
        }
    }
    complete_header_block(args.extra_headers, args.url, method);
    if (args.send_cookies.has_value()) {
        request.headers.push_back({"Cookie", *args.send_cookies});
    }
    add_block_fields(request.headers, args.extra_headers);
    request.body = args.post_bytes.empty() ? bytes_of_text(args.post_text) : args.post_bytes;
    return request;
}

}  // namespace

Bytes web_access(HttpTransport& transport, WebAccessArgs& args) {
    const int method = normalized_method(args.method);
    std::unique_ptr<HttpSession> own_session;
    HttpSession* session = args.request_object;
    if (session == nullptr) {
        own_session = transport.open_session();
        session = own_session.get();
        if (session == nullptr) {
            return {};
        }
    }
    HttpReply reply = session->exchange(request_of(args, method));
    args.response_headers = std::move(reply.headers);
    args.status_code = reply.status;
    args.received_cookies =
        received_cookie_text(args.response_headers, args.send_cookies, args.merge_cookies);
    return std::move(reply.body);
}

Bytes web_access(HttpTransport& transport, std::string_view url, int method, std::stop_token stop) {
    WebAccessArgs args;
    args.url = std::string(url);
    args.method = method;
    args.stop = std::move(stop);
    return web_access(transport, args);
}

}  // namespace qorvex::web
