#include "hunt/notify/send_plan.h"

#include <gtest/gtest.h>

#include <vector>

#include "hunt/notify/secret_mask.h"

namespace qorvex::hunt::notify {
namespace {

constexpr TimeMs kNow = 1'800'000'000'000;
constexpr PhoneNumber kFirst = 13888881234;

OutboxMessage message(std::int64_t id, TimeMs created, TimeMs next_attempt, int failures = 0) {
    return {id,      "key",    "Tavikmax/广东/深圳", kFirst + id, 1, created,
            created, failures, next_attempt};
}

TEST(SendPlan, WaitsForDueMessagesTheWindowAndTheRate) {
    const ServiceLimits roomy{{4000, false}, 20, 0, 0};
    const ServiceLimits tight{{500, false}, 20, 0, 0};
    const std::vector<TimeMs> full_minute(20, kNow - 1'000);
    const MessageStyle style = message_style(Language::English, 0, "example.test");
    const struct {
        const char* label;
        std::vector<OutboxMessage> waiting;
        ServiceLimits limits;
        std::vector<TimeMs> recent;
        std::vector<std::int64_t> ids;
        TimeMs wake_at;
    } rows[] = {
        {"nothing waits", {}, roomy, {}, {}, 0},
        {"a fresh hit waits for its window",
         {message(1, kNow - 1'000, kNow - 1'000)},
         roomy,
         {},
         {},
         kNow + 4'000},
        {"a retry waits for its attempt",
         {message(1, kNow - 60'000, kNow + 9'000, 1)},
         roomy,
         {},
         {},
         kNow + 9'000},
        {"the service's rate holds a due message",
         {message(1, kNow - 60'000, kNow - 1)},
         roomy,
         full_minute,
         {},
         kNow + 59'000},
        {"hits within the window go as one digest, the later one next",
         {message(1, kNow - 9'000, kNow - 9'000), message(2, kNow - 7'000, kNow - 7'000),
          message(3, kNow - 5'000, kNow - 5'000), message(4, kNow - 3'000, kNow - 3'000)},
         roomy,
         {},
         {1, 2, 3},
         0},
        {"a retry not yet due stays out of the digest",
         {message(1, kNow - 9'000, kNow + 5'000, 1), message(2, kNow - 8'000, kNow - 8'000)},
         roomy,
         {},
         {2},
         0},
        {"a digest holds only what fits the service's text",
         {message(1, kNow - 9'000, kNow - 9'000), message(2, kNow - 8'000, kNow - 8'000),
          message(3, kNow - 7'000, kNow - 7'000)},
         tight,
         {},
         {1, 2},
         0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        const SendPlan plan = plan_send(row.waiting, row.recent, row.limits, style, kNow);
        EXPECT_EQ(plan.ids, row.ids);
        EXPECT_EQ(plan.message.hits, row.ids.size());
        if (row.ids.empty()) {
            EXPECT_EQ(plan.wake_at, row.wake_at);
        } else {
            EXPECT_LE(text_size(plan.message.text(), row.limits.text), row.limits.text.max);
        }
    }
}

TEST(SendPlan, MarksTheAnswerWithTheSecretMasked) {
    const std::string token = "tk_s3cr3t_token";
    Channel channel;
    channel.kind = ChannelKind::Ntfy;
    channel.headers.push_back({"Authorization", "Bearer " + token});
    const auto secrets = channel_secrets(channel, {});
    const std::vector<OutboxMessage> digest{message(1, kNow - 90'000, kNow, 2),
                                            message(2, kNow - 1'000, kNow, 0)};
    const struct {
        const char* label;
        DeliveryResult result;
        OutboxState state;
        int failures;
        TimeMs at;
    } rows[] = {
        {"delivered", {Verdict::Delivered, std::nullopt, ""}, OutboxState::Delivered, 0, kNow},
        {"a 503 counts from the most tried message",
         {Verdict::RetryLater, std::nullopt, "HTTP 503"},
         OutboxState::Waiting,
         3,
         kNow + 30'000},
        {"Retry-After is honoured",
         {Verdict::RetryLater, 120'000, "HTTP 429"},
         OutboxState::Waiting,
         3,
         kNow + 120'000},
        {"a refused token fails for good",
         {Verdict::Failed, std::nullopt, "HTTP 401 invalid token " + token},
         OutboxState::Failed,
         3,
         kNow},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        const Marking marking = after_answer(
            RetryPolicy{}, row.result, digest, kNow, [] { return 0.0; }, secrets);
        EXPECT_EQ(marking.state, row.state);
        EXPECT_EQ(marking.ids, (std::vector<std::int64_t>{1, 2}));
        EXPECT_EQ(marking.at, row.at);
        if (row.state != OutboxState::Delivered) {
            EXPECT_EQ(marking.failures, row.failures);
            EXPECT_FALSE(marking.error.empty());
        }
        EXPECT_EQ(marking.error.find(token), std::string::npos) << marking.error;
    }
}

}  // namespace
}  // namespace qorvex::hunt::notify
