#include "hunt/notify/url_parts.h"

#include <algorithm>

namespace qorvex::hunt::notify {
namespace {

constexpr std::string_view kEnvOpen = "{env:";

int hex_value(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

std::optional<std::string> percent_decode(std::string_view text) {
    std::string decoded;
    decoded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            decoded += text[i];
            continue;
        }
        if (i + 2 >= text.size()) {
            return std::nullopt;
        }
        const int high = hex_value(text[i + 1]);
        const int low = hex_value(text[i + 2]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        decoded += char(high * 16 + low);
        i += 2;
    }
    return decoded;
}

bool valid_env_name(std::string_view name) {
    if (name.empty() || (name[0] >= '0' && name[0] <= '9')) {
        return false;
    }
    return std::all_of(name.begin(), name.end(), [](char c) {
        return c == '_' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ||
               (c >= 'a' && c <= 'z');
    });
}

// The first `c` that is not inside a "{env:…}" reference.
std::size_t find_outside_braces(std::string_view text, char c) {
    int depth = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '{') {
            ++depth;
        } else if (text[i] == '}' && depth > 0) {
            --depth;
        } else if (text[i] == c && depth == 0) {
            return i;
        }
    }
    return std::string_view::npos;
}

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

}  // namespace

UrlSplit split_url(std::string_view url) {
    const auto separator = url.find("://");
    if (separator == std::string_view::npos || separator == 0) {
        return {std::nullopt, "a channel URL starts with its kind, as in ntfys://ntfy.sh/TOPIC"};
    }
    if (url.find_first_of(" \t\r\n") != std::string_view::npos) {
        return {std::nullopt,
                "a channel URL holds no spaces or line breaks; write %20 for a space"};
    }
    if (url.find('#') != std::string_view::npos) {
        return {std::nullopt, "a channel URL has no #fragment; write %23 for a #"};
    }
    UrlParts parts;
    for (const char c : url.substr(0, separator)) {
        parts.scheme += lower(c);
    }
    std::string_view rest = url.substr(separator + 3);
    std::string_view query;
    if (const auto mark = rest.find('?'); mark != std::string_view::npos) {
        query = rest.substr(mark + 1);
        rest = rest.substr(0, mark);
    }
    const auto slash = rest.find('/');
    const std::string_view authority = rest.substr(0, slash);
    const std::string_view path = slash == std::string_view::npos ? "" : rest.substr(slash + 1);
    parts.authority = std::string(authority);

    std::string_view host_port = authority;
    if (const auto at = authority.rfind('@'); at != std::string_view::npos) {
        const std::string_view userinfo = authority.substr(0, at);
        host_port = authority.substr(at + 1);
        const auto colon = find_outside_braces(userinfo, ':');
        const auto user = percent_decode(userinfo.substr(0, colon));
        const auto password =
            percent_decode(colon == std::string_view::npos ? "" : userinfo.substr(colon + 1));
        if (!user || !password) {
            return {std::nullopt, "the user or password holds a broken %-escape"};
        }
        parts.user = *user;
        parts.password = *password;
        parts.has_password = colon != std::string_view::npos;
    }
    // A port is digits after the last colon outside an env reference.
    // An IPv6 address in brackets keeps its own colons.
    const auto colon = host_port.rfind(':');
    const auto bracket = host_port.rfind(']');
    if (colon != std::string_view::npos && host_port.find('}', colon) == std::string_view::npos &&
        (bracket == std::string_view::npos || colon > bracket)) {
        parts.port = std::string(host_port.substr(colon + 1));
        host_port = host_port.substr(0, colon);
    }
    const auto host = percent_decode(host_port);
    if (!host) {
        return {std::nullopt, "the host holds a broken %-escape"};
    }
    parts.host = *host;

    std::size_t start = 0;
    while (start <= path.size()) {
        const auto end = std::min(path.find('/', start), path.size());
        const auto segment = percent_decode(path.substr(start, end - start));
        if (!segment) {
            return {std::nullopt, "the path holds a broken %-escape"};
        }
        if (!segment->empty()) {
            parts.path.push_back(*segment);
        }
        start = end + 1;
    }
    start = 0;
    while (start < query.size()) {
        const auto end = std::min(query.find('&', start), query.size());
        const std::string_view pair = query.substr(start, end - start);
        start = end + 1;
        if (pair.empty()) {
            continue;
        }
        const auto equals = pair.find('=');
        // In a query, "+" is a space only inside values; a leading "+" on a
        // name marks a header and is kept.
        std::string value(equals == std::string_view::npos ? "" : pair.substr(equals + 1));
        std::replace(value.begin(), value.end(), '+', ' ');
        const auto name = percent_decode(pair.substr(0, equals));
        const auto decoded = percent_decode(value);
        if (!name || !decoded) {
            return {std::nullopt, "the query holds a broken %-escape"};
        }
        parts.query.emplace_back(*name, *decoded);
    }
    return {std::move(parts), {}};
}

bool is_env_reference(std::string_view text) {
    return text.size() > kEnvOpen.size() + 1 && text.substr(0, kEnvOpen.size()) == kEnvOpen &&
           text.back() == '}' &&
           valid_env_name(text.substr(kEnvOpen.size(), text.size() - kEnvOpen.size() - 1));
}

Filled fill_env(std::string_view text, const Environment& environment) {
    std::string filled;
    std::size_t at = 0;
    while (true) {
        const auto open = text.find(kEnvOpen, at);
        filled += text.substr(at, open == std::string_view::npos ? text.npos : open - at);
        if (open == std::string_view::npos) {
            return {std::move(filled), {}};
        }
        const auto close = text.find('}', open);
        if (close == std::string_view::npos) {
            return {std::nullopt, "an {env:NAME} reference is not closed with }"};
        }
        const std::string_view name =
            text.substr(open + kEnvOpen.size(), close - open - kEnvOpen.size());
        if (!valid_env_name(name)) {
            return {std::nullopt,
                    "{env:" + std::string(name) +
                        "} does not name an environment variable (letters, digits, _)"};
        }
        const auto value = environment ? environment(name) : std::nullopt;
        if (!value || value->empty()) {
            return {std::nullopt, "the environment variable " + std::string(name) +
                                      (value ? " is empty" : " is not set")};
        }
        filled += *value;
        at = close + 1;
    }
}

std::string percent_encode(std::string_view text) {
    constexpr std::string_view kHex = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(text.size() * 3);
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                                (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' ||
                                c == '~';
        if (unreserved) {
            encoded += c;
        } else {
            encoded += '%';
            encoded += kHex[byte >> 4];
            encoded += kHex[byte & 0x0F];
        }
    }
    return encoded;
}

}  // namespace qorvex::hunt::notify
