#include "web/url_parts.h"

#include "web/cookies_headers.h"
#include "web/text_ops.h"

namespace qorvex::web {

namespace {

constexpr std::string_view kSecureScheme = "https://";
constexpr std::string_view kPlainScheme = "http://";
constexpr int kDefaultSecurePort = 443;
constexpr int kDefaultPlainPort = 80;

}  // namespace

std::string url_host(std::string_view url, bool keep_port) {
    std::string rest = lower_case(url);
    if (!rest.ends_with('/')) {
        rest += '/';
    }
    if (rest.starts_with(kSecureScheme)) {
        rest = text_between(rest, kSecureScheme, "/");
    } else {
        if (find_text(rest, kPlainScheme) == kNotFound) {
            rest.insert(0, kPlainScheme);
        }
        rest = text_between(rest, kPlainScheme, "/");
    }
    const int colon = find_text(rest, ":");
    if (!keep_port && colon != kNotFound) {
        rest = left_text(rest, colon - 1);
    }
    return rest;
}

int url_port(std::string_view url) {
    const std::string host = url_host(url, true);
    const int colon = find_text_backward(host, ":");
    if (colon != kNotFound) {
        return text_to_integer(middle_text(host, colon + 1, static_cast<int>(host.size())));
    }
    return lower_case(left_text(url, 5)) == "https" ? kDefaultSecurePort : kDefaultPlainPort;
}

std::string url_path(std::string_view url) {
    const int host_at = find_text(url, url_host(url), 1, true);
    const int slash = find_text(url, "/", host_at);
    if (slash < 1) {
        return "/";
    }
    return middle_text(url, slash, static_cast<int>(url.size()));
}

}  // namespace qorvex::web
