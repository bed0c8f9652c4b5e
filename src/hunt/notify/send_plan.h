#pragma once

// What a channel's sender does next, decided from what the outbox holds and
// with no I/O: wait (for a message to fall due, for the digest window to
// close, or for the service's rate), or send the first due messages as one
// message or digest; and, once the service answered, what to mark in the
// outbox. The caller reads the store, sends, and writes the marks.

#include <cstdint>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "hunt/notify/answer_reading.h"
#include "hunt/notify/hit_message.h"
#include "hunt/notify/outbox_rules.h"
#include "hunt/notify/service_limits.h"
#include "hunt/store.h"

namespace qorvex::hunt::notify {

struct SendPlan {
    // The outbox messages this send holds; empty: nothing to send now.
    std::vector<std::int64_t> ids;
    Message message;
    // With no ids: when to look again; 0 when nothing waits at all.
    TimeMs wake_at = 0;
};

// `waiting` is the channel's waiting messages (due or not, in any order),
// `recent_sends` the times of its sends within the last minute, oldest
// first. A digest holds the due messages written within the digest window
// of the first, as many as fit the service's text limit; the rest go next.
SendPlan plan_send(std::span<const OutboxMessage> waiting, std::span<const TimeMs> recent_sends,
                   const ServiceLimits& limits, const MessageStyle& style, TimeMs now);

struct Marking {
    OutboxState state = OutboxState::Waiting;  // Waiting: to be tried again
    std::vector<std::int64_t> ids;
    int failures = 0;   // for Waiting: the attempts that failed so far
    TimeMs at = 0;      // when delivered or failed; for Waiting, the next attempt
    std::string error;  // masked; empty when delivered
};

// What the service's answer to a send of `sent` means for the outbox. A
// message that failed before counts its earlier failures; a digest counts
// from its most tried message, and gives up by its oldest. The error is
// masked with `secrets` before anything stores or prints it.
Marking after_answer(const RetryPolicy& policy, const DeliveryResult& result,
                     std::span<const OutboxMessage> sent, TimeMs now, const RandomSource& random,
                     const std::set<std::string>& secrets);

}  // namespace qorvex::hunt::notify
