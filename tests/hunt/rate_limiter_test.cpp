#include "hunt/rate_limiter.h"

#include <gtest/gtest.h>

#include <deque>

namespace qorvex::hunt {
namespace {

TEST(RateLimiter, NoMinuteEverHoldsMoreThanTheBudget) {
    // Greedy sending at every allowed moment, checked against every window.
    for (const int budget : {1, 3, 60}) {
        SCOPED_TRACE(budget);
        RateLimiter limiter(budget);
        std::deque<TimeMs> sent;
        TimeMs now = 0;
        for (int i = 0; i < budget * 4; ++i) {
            now = limiter.next_allowed(now);
            limiter.record(now);
            sent.push_back(now);
            while (sent.front() <= now - kRateWindowMs) {
                sent.pop_front();
            }
            ASSERT_LE(int(sent.size()), budget) << "at " << now;
            now += 7;  // queries take a moment
        }
        EXPECT_GE(now, 3 * kRateWindowMs) << "four budgets need three more minutes";
    }
}

TEST(RateLimiter, FreeUntilTheBudgetIsSpent) {
    RateLimiter limiter(2);
    limiter.record(1000);
    EXPECT_EQ(limiter.next_allowed(1500), 1500);
    limiter.record(1500);
    EXPECT_EQ(limiter.next_allowed(2000), 1000 + kRateWindowMs);
    EXPECT_EQ(limiter.next_allowed(70'000), 70'000);
}

TEST(RateLimiter, RemembersNoMoreThanTheLastMinuteHowEverLargeTheBudget) {
    RateLimiter limiter(1'000'000'000);
    for (TimeMs at = 0; at < 10 * kRateWindowMs; at += 100) {
        ASSERT_EQ(limiter.next_allowed(at), at);
        limiter.record(at);
    }
    EXPECT_LE(limiter.remembered(), std::size_t(kRateWindowMs / 100));
}

}  // namespace
}  // namespace qorvex::hunt
