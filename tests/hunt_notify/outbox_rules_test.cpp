#include "hunt/notify/outbox_rules.h"

#include <gtest/gtest.h>

#include <vector>

namespace qorvex::hunt::notify {
namespace {

constexpr TimeMs kNow = 1'000'000'000;
constexpr TimeMs kDay = 86'400'000;

TEST(OutboxRules, WaitsBackoffOrRetryAfterAndGivesUp) {
    const RetryPolicy policy;  // 15 s first, 30 min at most, a day in all
    const DeliveryResult later{Verdict::RetryLater, std::nullopt, "HTTP 503"};
    const struct {
        const char* label;
        DeliveryResult result;
        int failures;
        TimeMs created;
        double draw;
        bool give_up;
        TimeMs wait;
    } cases[] = {
        {"failed for good", {Verdict::Failed, std::nullopt, "bad token"}, 1, kNow, 0.5, true, 0},
        {"first failure, lowest draw", later, 1, kNow, 0.0, false, 7'500},
        {"third failure, highest draw", later, 3, kNow, 0.999999, false, 59'999},
        {"Retry-After longer than the backoff",
         {Verdict::RetryLater, 600'000, "429"},
         1,
         kNow,
         0.0,
         false,
         600'000},
        {"Retry-After shorter than the backoff",
         {Verdict::RetryLater, 1'000, "429"},
         2,
         kNow,
         0.0,
         false,
         15'000},
        {"many failures stay at the cap", later, 1000, kNow, 0.0, false, 900'000},
        {"the day is over", later, 1, kNow - kDay + 5'000, 0.0, true, 0},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.label);
        const NextStep step = after_failure(policy, row.result, row.failures, row.created, kNow,
                                            [&row] { return row.draw; });
        EXPECT_EQ(step.give_up, row.give_up);
        EXPECT_NE(step.error.find(row.result.error), std::string::npos);
        if (!row.give_up) {
            EXPECT_EQ(step.next_attempt, kNow + row.wait);
        }
    }
}

TEST(OutboxRules, KeepsEachChannelWithinItsServicesRate) {
    std::vector<TimeMs> twenty(20);
    for (std::size_t i = 0; i < twenty.size(); ++i) {
        twenty[i] = kNow - 30'000 + TimeMs(i) * 1'000;
    }
    const ServiceLimits twenty_a_minute{{}, 20, 0, 0};
    const ServiceLimits one_a_second{{}, 0, 1'000, 0};
    const std::vector<TimeMs> nineteen(twenty.begin() + 1, twenty.end());
    const std::vector<TimeMs> just_sent{kNow - 200};
    EXPECT_EQ(next_send_slot(twenty_a_minute, twenty, kNow), kNow + 30'000);
    EXPECT_EQ(next_send_slot(twenty_a_minute, nineteen, kNow), kNow);
    EXPECT_EQ(next_send_slot(one_a_second, just_sent, kNow), kNow + 800);
    EXPECT_EQ(next_send_slot(one_a_second, {}, kNow), kNow);
}

TEST(OutboxRules, GathersHitsWithinTheWindowOfTheFirst) {
    const std::vector<TimeMs> waiting{1'000, 3'000, 6'000, 7'000};
    const struct {
        TimeMs now;
        bool ready;
        std::size_t count;
    } rows[] = {{5'999, false, 0}, {6'000, true, 3}, {60'000, true, 3}};
    for (const auto& row : rows) {
        const DigestPick pick = pick_digest(waiting, kDigestWindowMs, row.now);
        EXPECT_EQ(pick.ready, row.ready) << row.now;
        EXPECT_EQ(pick.count, row.count) << row.now;
        EXPECT_EQ(pick.ready_at, 6'000);
    }
    EXPECT_FALSE(pick_digest({}, kDigestWindowMs, 0).ready);
}

}  // namespace
}  // namespace qorvex::hunt::notify
