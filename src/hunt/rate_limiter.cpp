#include "hunt/rate_limiter.h"

#include <algorithm>

namespace qorvex::hunt {

RateLimiter::RateLimiter(int per_minute) : m_limit(std::size_t(std::max(per_minute, 1))) {}

TimeMs RateLimiter::next_allowed(TimeMs now) const {
    if (m_sent.size() < m_limit) {
        return now;
    }
    // The oldest of the last m_limit queries must have left the window.
    return std::max(now, m_sent.front() + kRateWindowMs);
}

void RateLimiter::record(TimeMs at) {
    m_sent.push_back(at);
    // A send time that has left the window limits nothing, so a budget far
    // above what the hunt can send keeps only the last minute's times.
    while (m_sent.size() > m_limit || m_sent.front() <= at - kRateWindowMs) {
        m_sent.pop_front();
    }
}

}  // namespace qorvex::hunt
