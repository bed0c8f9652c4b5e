#pragma once

// The global query budget of a hunt: at most a given number of queries in
// any sliding minute, over all targets together. It remembers the send
// times of the last `per_minute` queries within the last minute and nothing
// more, so its memory stays bounded however large the budget.

#include <cstddef>
#include <deque>

#include "hunt/store.h"

namespace qorvex::hunt {

inline constexpr TimeMs kRateWindowMs = 60'000;

class RateLimiter {
public:
    explicit RateLimiter(int per_minute);

    // The earliest moment at or after `now` at which one more query keeps
    // every minute within the budget.
    TimeMs next_allowed(TimeMs now) const;

    // A query went out at `at` (not before the previous one).
    void record(TimeMs at);

    // How many send times it keeps.
    std::size_t remembered() const { return m_sent.size(); }

private:
    std::size_t m_limit;
    std::deque<TimeMs> m_sent;  // oldest first, at most m_limit entries, all within the window
};

}  // namespace qorvex::hunt
