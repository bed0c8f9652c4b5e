#pragma once

// Who may ask the server what: with a token set, a request must carry it as
// "Authorization: Bearer TOKEN" (compared in constant time); and each
// client address is held to a number of requests in any sliding minute.

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "hunt/rate_limiter.h"

namespace qorvex::hunt_serve {

// Whether an Authorization header's value carries the token.
bool bearer_matches(std::string_view authorization, std::string_view token);

class ClientRates {
public:
    explicit ClientRates(int per_minute) : m_per_minute(per_minute) {}

    // True, and counted, when the client may make one more request at `now`.
    bool admit(const std::string& client, hunt::TimeMs now);

private:
    int m_per_minute;
    std::mutex m_mutex;
    std::map<std::string, std::pair<hunt::RateLimiter, hunt::TimeMs>> m_clients;  // limiter, last
};

}  // namespace qorvex::hunt_serve
