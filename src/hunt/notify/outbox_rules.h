#pragma once

// The outbox's timing rules, as pure functions of what the outbox stores:
// when to try a message again after a failed attempt (exponential backoff
// with jitter, never sooner than the service asked), when to give up, when
// a channel may send next under its service's rate, and which waiting
// messages go out together as one digest.

#include <cstddef>
#include <span>
#include <string>

#include "hunt/backoff.h"
#include "hunt/notify/answer_reading.h"
#include "hunt/notify/service_limits.h"
#include "hunt/store.h"

namespace qorvex::hunt::notify {

struct RetryPolicy {
    TimeMs base_ms = 15'000;               // the first wait, before jitter
    TimeMs cap_ms = 1'800'000;             // the longest wait between attempts
    TimeMs give_up_after_ms = 86'400'000;  // a day after the message was written
};

struct NextStep {
    bool give_up = false;  // keep the message as failed, with `error`
    TimeMs next_attempt = 0;
    std::string error;
};

// After an attempt that did not deliver; `failures` counts the attempts
// that failed so far, this one included. A failure for good gives up at
// once; a "later" waits the backoff or the service's Retry-After, whichever
// is longer, and gives up when that would pass the policy's last moment.
NextStep after_failure(const RetryPolicy& policy, const DeliveryResult& result, int failures,
                       TimeMs created, TimeMs now, const RandomSource& random);

// The earliest moment at or after `now` at which the channel may send
// again, given the times of its recent sends (oldest first).
TimeMs next_send_slot(const ServiceLimits& limits, std::span<const TimeMs> recent_sends,
                      TimeMs now);

// Hits that come within this long of the first waiting one go out together.
inline constexpr TimeMs kDigestWindowMs = 5'000;

struct DigestPick {
    bool ready = false;
    std::size_t count = 0;  // how many of the waiting messages, from the first
    TimeMs ready_at = 0;    // when the first waiting message's window closes
};

// `waiting` holds the times at which a channel's unsent messages were
// written, oldest first. The window is fixed from the first message, so a
// steady stream of hits cannot hold a digest back for ever.
DigestPick pick_digest(std::span<const TimeMs> waiting, TimeMs window_ms, TimeMs now);

}  // namespace qorvex::hunt::notify
