#include "hunt/scheduler.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace qorvex::hunt {
namespace {

const RandomSource kLowest = [] { return 0.0; };

// Runs the scheduler against a fake clock, each query taking `query_ms`
// and ending with `outcome_of(target, query)`; returns the send times per target.
template <typename Outcome>
std::vector<std::vector<TimeMs>> replay(Scheduler& scheduler, TimeMs until, TimeMs query_ms,
                                        Outcome outcome_of) {
    std::vector<std::vector<TimeMs>> sent(scheduler.size());
    TimeMs now = 0;
    while (now < until) {
        const auto pick = scheduler.pick(now);
        if (!pick.target) {
            EXPECT_GT(pick.wake_at, now);
            now = std::max(pick.wake_at, now + 1);
            continue;
        }
        const std::size_t i = *pick.target;
        scheduler.started(i, now);
        sent[i].push_back(now);
        now += query_ms;
        scheduler.finished(i, outcome_of(i, sent[i].size()), now - query_ms, now);
    }
    return sent;
}

TEST(Scheduler, TargetsTakeTurnsAtTheirInterval) {
    Scheduler scheduler(3, {.interval_ms = 1000, .max_per_minute = 10'000}, kLowest, 0);
    const auto sent = replay(scheduler, 10'000, 10,
                             [](std::size_t, std::size_t) { return CycleOutcome::Numbers; });
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(sent[i].size(), 10U);
        for (std::size_t k = 1; k < sent[i].size(); ++k) {
            EXPECT_GE(sent[i][k] - sent[i][k - 1], 1000);
        }
    }
    EXPECT_EQ(sent[0][0], 0);
    EXPECT_EQ(sent[1][0], 10) << "the second target goes as soon as the first is back";
}

TEST(Scheduler, GlobalBudgetHoldsOverAllTargets) {
    Scheduler scheduler(4, {.interval_ms = 100, .max_per_minute = 30}, kLowest, 0);
    const auto sent = replay(scheduler, 3 * kRateWindowMs, 5,
                             [](std::size_t, std::size_t) { return CycleOutcome::Empty; });
    std::vector<TimeMs> all;
    for (const auto& times : sent) {
        all.insert(all.end(), times.begin(), times.end());
    }
    std::sort(all.begin(), all.end());
    EXPECT_EQ(all.size(), 90U);
    for (std::size_t k = 30; k < all.size(); ++k) {
        EXPECT_GE(all[k] - all[k - 30], kRateWindowMs) << "query " << k;
    }
}

TEST(Scheduler, FailingTargetBacksOffAloneAndResumes) {
    // Target 0 is refused for its first three queries; target 1 always answers.
    Scheduler scheduler(2, {.interval_ms = 1000, .max_per_minute = 10'000}, kLowest, 0);
    const auto sent = replay(scheduler, 20'000, 10, [](std::size_t target, std::size_t query) {
        return target == 0 && query <= 3 ? CycleOutcome::RateLimited : CycleOutcome::Numbers;
    });
    // Rests of 1000, 2000 and 4000 ms (half of 2, 4, 8 intervals with the lowest draw).
    ASSERT_GE(sent[0].size(), 5U);
    EXPECT_EQ(sent[0][1] - sent[0][0], 10 + 1000);
    EXPECT_EQ(sent[0][2] - sent[0][1], 10 + 2000);
    EXPECT_EQ(sent[0][3] - sent[0][2], 10 + 4000);
    EXPECT_EQ(sent[0][4] - sent[0][3], 1000) << "after a reply, the interval again";
    EXPECT_GE(sent[1].size(), 19U) << "the other target is not held up";
}

TEST(Scheduler, EndedAndHeldTargetsAreSkipped) {
    Scheduler scheduler(2, {.interval_ms = 1000}, kLowest, 0);
    scheduler.end(0);
    EXPECT_EQ(scheduler.pick(0).target, std::optional<std::size_t>(1));
    scheduler.held_elsewhere(1, 0);
    const auto pick = scheduler.pick(0);
    EXPECT_FALSE(pick.target);
    EXPECT_EQ(pick.wake_at, kLeaseRetryMs);
    EXPECT_FALSE(scheduler.all_ended());
    scheduler.end(1);
    EXPECT_TRUE(scheduler.all_ended());
}

TEST(Scheduler, AQueryInFlightIsNeitherBackingOffNorHeldElsewhere) {
    // The status reads the state and the wait: a retry or a taken-over target
    // in flight must not show a rest that ends at the end of time.
    const struct {
        const char* label;
        void (*before)(Scheduler&);
    } cases[] = {
        {"a retry after a refusal",
         [](Scheduler& s) { s.finished(0, CycleOutcome::RateLimited, 0, 10); }},
        {"a target taken over from another hunter", [](Scheduler& s) { s.held_elsewhere(0, 10); }},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.label);
        Scheduler scheduler(1, {.interval_ms = 1000}, kLowest, 0);
        scheduler.started(0, 0);
        row.before(scheduler);
        const auto pick = scheduler.pick(60'000);
        ASSERT_EQ(pick.target, std::optional<std::size_t>(0));
        scheduler.started(0, 60'000);
        EXPECT_EQ(scheduler.target(0).state, TargetState::Due);
    }
}

}  // namespace
}  // namespace qorvex::hunt
