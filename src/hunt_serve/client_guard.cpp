#include "hunt_serve/client_guard.h"

namespace qorvex::hunt_serve {

namespace {

constexpr std::string_view kBearer = "Bearer ";
// Past this many remembered clients, those quiet for a whole window are forgotten.
constexpr std::size_t kClientsKept = 1024;

}  // namespace

bool bearer_matches(std::string_view authorization, std::string_view token) {
    if (!authorization.starts_with(kBearer) || token.empty()) {
        return false;
    }
    const std::string_view given = authorization.substr(kBearer.size());
    // Every byte is compared whatever the first difference, so the answer's
    // time does not tell how much of a guess was right.
    unsigned difference = given.size() == token.size() ? 0U : 1U;
    for (std::size_t i = 0; i < token.size(); ++i) {
        const char c = i < given.size() ? given[i] : '\0';
        difference |= unsigned(static_cast<unsigned char>(c ^ token[i]));
    }
    return difference == 0;
}

bool ClientRates::admit(const std::string& client, hunt::TimeMs now) {
    const std::lock_guard lock(m_mutex);
    if (m_clients.size() > kClientsKept) {
        std::erase_if(m_clients, [now](const auto& entry) {
            return now - entry.second.second > hunt::kRateWindowMs;
        });
    }
    auto [found, added] = m_clients.try_emplace(client, hunt::RateLimiter(m_per_minute), now);
    auto& [limiter, last] = found->second;
    last = now;
    if (limiter.next_allowed(now) > now) {
        return false;
    }
    limiter.record(now);
    return true;
}

}  // namespace qorvex::hunt_serve
