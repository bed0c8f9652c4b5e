#include "hunt_serve/listen_address.h"

#include <charconv>

namespace qorvex::hunt_serve {

std::optional<ListenAddress> parse_listen_address(std::string_view text) {
    const auto colon = text.rfind(':');
    if (colon == std::string_view::npos || colon == 0) {
        return std::nullopt;
    }
    std::string_view host = text.substr(0, colon);
    if (host.front() == '[') {
        if (host.size() < 3 || host.back() != ']') {
            return std::nullopt;
        }
        host = host.substr(1, host.size() - 2);
    } else if (host.find(':') != std::string_view::npos) {
        return std::nullopt;  // an IPv6 address needs its brackets
    }
    const std::string_view port_text = text.substr(colon + 1);
    int port = -1;
    const auto [end, error] =
        std::from_chars(port_text.data(), port_text.data() + port_text.size(), port);
    if (error != std::errc() || end != port_text.data() + port_text.size() || port < 0 ||
        port > 65535) {
        return std::nullopt;
    }
    return ListenAddress{std::string(host), port};
}

bool is_loopback(std::string_view host) {
    return host == "localhost" || host == "::1" || host.starts_with("127.");
}

}  // namespace qorvex::hunt_serve
