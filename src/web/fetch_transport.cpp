#include "web/fetch_transport.h"

#include <string>

#include "web/text_ops.h"

namespace qorvex::web {

namespace {

constexpr int kHighestPort = 65535;
constexpr int kPlainPort = 80;
constexpr int kSecurePort = 443;

bool is_separator(char c) {
    return c == ' ' || c == ';' || c == '\t' || c == '\r' || c == '\n';
}

}  // namespace

std::optional<int> connection_port(const FetchTarget& target) {
    if (target.port < 0 || target.port > kHighestPort) {
        return std::nullopt;
    }
    if (target.port == 0) {
        return target.flags.secure ? kSecurePort : kPlainPort;
    }
    return target.port;
}

std::string proxy_for_scheme(std::string_view proxy_list, std::string_view scheme) {
    std::string for_every_scheme;
    std::size_t at = 0;
    while (at < proxy_list.size()) {
        if (is_separator(proxy_list[at])) {
            ++at;
            continue;
        }
        std::size_t end = at;
        while (end < proxy_list.size() && !is_separator(proxy_list[end])) {
            ++end;
        }
        const std::string_view entry = proxy_list.substr(at, end - at);
        at = end;
        const std::size_t equals = entry.find('=');
        if (equals == std::string_view::npos) {
            if (for_every_scheme.empty()) {
                for_every_scheme = entry;
            }
        } else if (lower_case(entry.substr(0, equals)) == lower_case(scheme)) {
            return std::string(entry.substr(equals + 1));
        }
    }
    return for_every_scheme;
}

}  // namespace qorvex::web
