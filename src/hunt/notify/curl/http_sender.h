#pragma once

// Carries a built HTTP request to its service with libcurl and reads back
// what came: the status, the headers (Retry-After among them) and the body,
// for the notify library's answer reading. Nothing coming back within the
// time bound, a reset or a refused connection is a status of 0 with
// libcurl's own words.

#include <chrono>
#include <string>

#include "hunt/notify/answer_reading.h"
#include "hunt/notify/delivery.h"

namespace qorvex::hunt::notify {

struct SendOptions {
    // The whole exchange, connection and TLS included. A service that has
    // not answered by then is a failure to try again, not a wait for ever.
    std::chrono::milliseconds timeout{20'000};
    std::chrono::milliseconds connect_timeout{10'000};
    std::string ca_file;  // PEM bundle to trust instead of the system's; empty: the system's
};

HttpAnswer send_http(const HttpRequest& request, const SendOptions& options);

}  // namespace qorvex::hunt::notify
