#include "hunt/notify/send_plan.h"

#include <algorithm>

#include "hunt/notify/secret_mask.h"

namespace qorvex::hunt::notify {

SendPlan plan_send(std::span<const OutboxMessage> waiting, std::span<const TimeMs> recent_sends,
                   const ServiceLimits& limits, const MessageStyle& style, TimeMs now) {
    SendPlan plan;
    std::vector<const OutboxMessage*> due;
    TimeMs next_due = 0;
    for (const OutboxMessage& message : waiting) {
        if (message.next_attempt <= now) {
            due.push_back(&message);
        } else if (next_due == 0 || message.next_attempt < next_due) {
            next_due = message.next_attempt;
        }
    }
    if (due.empty()) {
        plan.wake_at = next_due;
        return plan;
    }
    const TimeMs slot = next_send_slot(limits, recent_sends, now);
    if (slot > now) {
        plan.wake_at = slot;
        return plan;
    }
    // Hunters of a shared history write with their own clocks: the window
    // reads the messages in the order they were written, not by id.
    std::stable_sort(due.begin(), due.end(),
                     [](const auto* a, const auto* b) { return a->created < b->created; });
    std::vector<TimeMs> written;
    written.reserve(due.size());
    for (const auto* message : due) {
        written.push_back(message->created);
    }
    const DigestPick pick = pick_digest(written, kDigestWindowMs, now);
    if (!pick.ready) {
        plan.wake_at = next_due == 0 ? pick.ready_at : std::min(pick.ready_at, next_due);
        return plan;
    }
    std::vector<HitNotice> hits;
    hits.reserve(pick.count);
    for (std::size_t i = 0; i < pick.count; ++i) {
        hits.push_back({due[i]->number, due[i]->classes, due[i]->target, due[i]->first_seen});
    }
    plan.message = compose_message(hits, style, limits.text);
    for (std::size_t i = 0; i < plan.message.hits; ++i) {
        plan.ids.push_back(due[i]->id);
    }
    return plan;
}

Marking after_answer(const RetryPolicy& policy, const DeliveryResult& result,
                     std::span<const OutboxMessage> sent, TimeMs now, const RandomSource& random,
                     const std::set<std::string>& secrets) {
    Marking marking;
    int failures = 0;
    TimeMs created = now;
    for (const OutboxMessage& message : sent) {
        marking.ids.push_back(message.id);
        failures = std::max(failures, message.failures);
        created = std::min(created, message.created);
    }
    marking.at = now;
    if (result.verdict == Verdict::Delivered) {
        marking.state = OutboxState::Delivered;
        return marking;
    }
    marking.failures = failures + 1;
    const NextStep step = after_failure(policy, result, marking.failures, created, now, random);
    marking.state = step.give_up ? OutboxState::Failed : OutboxState::Waiting;
    marking.at = step.next_attempt;
    marking.error = mask_secrets(step.error, secrets);
    return marking;
}

}  // namespace qorvex::hunt::notify
