#include "web/request_policy.h"

#include <array>

#include "web/cookies_headers.h"
#include "web/text_ops.h"

namespace qorvex::web {

namespace {

constexpr std::array<std::string_view, 8> kVerbs = {"GET",     "POST",   "HEAD",  "PUT",
                                                    "OPTIONS", "DELETE", "TRACE", "CONNECT"};
constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kSetCookie = "Set-Cookie";
constexpr std::string_view kSetCookieMarker = "Set-Cookie:";

std::string cookie_of_line(const std::string& line) {
    if (find_text(line, ";") != kNotFound) {
        return trim_spaces(text_between(line, kSetCookieMarker, ";"));
    }
    return trim_spaces(replace_text(line, kSetCookieMarker, "", 1, std::nullopt, false));
}

}  // namespace

int normalized_method(int method) {
    return method < 0 || method >= static_cast<int>(kVerbs.size()) ? kMethodGet : method;
}

std::string_view method_verb(int method) {
    return kVerbs[static_cast<std::size_t>(normalized_method(method))];
}

void add_header_line_unless(std::string& block, std::string_view marker, std::string_view line) {
    if (find_text(block, marker) != kNotFound) {
        return;
    }
    if (!block.empty()) {
        block += kLineEnd;
    }
    block += line;
}

void add_browser_header_lines(std::string& block, std::string_view url) {
    add_header_line_unless(block, "Accept:", "Accept: */*");
    add_header_line_unless(block, "Referer:", "Referer: " + std::string(url));
    add_header_line_unless(block, "Accept-Language:", "Accept-Language: zh-cn");
}

std::string set_cookie_values(std::string_view header_block) {
    std::string cookies;
    for (const std::string& line : split_text(header_block, kLineEnd)) {
        if (text_before(line, ": ") == kSetCookie) {
            cookies += cookie_of_line(line);
            cookies += "; ";
        }
    }
    if (!cookies.empty()) {
        cookies.resize(cookies.size() - 2);
    }
    return cookies;
}

std::string received_cookie_text(std::string_view header_block,
                                 std::optional<std::string>& send_cookies, bool merge_cookies) {
    std::string received = set_cookie_values(header_block);
    if (merge_cookies && send_cookies.has_value()) {
        received = cookie_merge(*send_cookies, received);
    }
    return received;
}

}  // namespace qorvex::web
