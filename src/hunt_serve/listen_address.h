#pragma once

// Where the server listens, from "HOST:PORT" ("127.0.0.1:8080",
// "[::1]:8080", "0.0.0.0:8080"), and whether that address reaches only this
// machine: any other needs a token.

#include <optional>
#include <string>
#include <string_view>

namespace qorvex::hunt_serve {

struct ListenAddress {
    std::string host;
    int port = 0;  // 0: any free port
};

std::optional<ListenAddress> parse_listen_address(std::string_view text);

bool is_loopback(std::string_view host);

}  // namespace qorvex::hunt_serve
