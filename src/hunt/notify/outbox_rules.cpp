#include "hunt/notify/outbox_rules.h"

#include <algorithm>

#include "hunt/rate_limiter.h"

namespace qorvex::hunt::notify {
namespace {

// The cap is reached long before this many doublings.
constexpr int kMostDoublings = 64;

}  // namespace

NextStep after_failure(const RetryPolicy& policy, const DeliveryResult& result, int failures,
                       TimeMs created, TimeMs now, const RandomSource& random) {
    if (result.verdict == Verdict::Failed) {
        return {true, now, result.error};
    }
    // One draw serves every step, so the wait is the backoff's own for this
    // many failures in a row.
    const double draw = random();
    Backoff backoff(policy.base_ms, policy.cap_ms);
    TimeMs wait = 0;
    for (int i = 0; i < std::clamp(failures, 1, kMostDoublings); ++i) {
        wait = backoff.failed([draw] { return draw; });
    }
    wait = std::max(wait, result.retry_after_ms.value_or(0));
    const TimeMs next = now + wait;
    if (next - created > policy.give_up_after_ms) {
        return {true, now,
                "no delivery after " + std::to_string(failures) +
                    " attempts; the last: " + result.error};
    }
    return {false, next, result.error};
}

TimeMs next_send_slot(const ServiceLimits& limits, std::span<const TimeMs> recent_sends,
                      TimeMs now) {
    TimeMs slot = now;
    if (!recent_sends.empty()) {
        slot = std::max(slot, recent_sends.back() + limits.min_interval_ms);
    }
    if (limits.per_minute > 0) {
        RateLimiter limiter(limits.per_minute);
        for (const TimeMs sent : recent_sends) {
            limiter.record(sent);
        }
        slot = std::max(slot, limiter.next_allowed(now));
    }
    return slot;
}

DigestPick pick_digest(std::span<const TimeMs> waiting, TimeMs window_ms, TimeMs now) {
    if (waiting.empty()) {
        return {};
    }
    const TimeMs ready_at = waiting.front() + window_ms;
    if (now < ready_at) {
        return {false, 0, ready_at};
    }
    const auto within = std::upper_bound(waiting.begin(), waiting.end(), ready_at);
    return {true, std::size_t(within - waiting.begin()), ready_at};
}

}  // namespace qorvex::hunt::notify
