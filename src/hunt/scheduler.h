#pragma once

// Decides which target is queried next and when. Targets take turns, each
// at its own interval; a global budget of queries per minute is never
// exceeded; a target whose query failed or was refused rests under its own
// backoff and comes back by itself; a target another hunter holds is tried
// again later. One query is in flight at a time: the caller asks for the
// next pick only once the previous query has finished.
//
// Times are milliseconds of a monotonic clock that the caller reads, and the
// jitter draws from a random source the caller passes, so that the whole
// schedule can be replayed in a test.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "hunt/backoff.h"
#include "hunt/rate_limiter.h"
#include "hunt/store.h"

namespace qorvex::hunt {

struct SchedulerSettings {
    TimeMs interval_ms = 5000;
    int max_per_minute = 60;
    TimeMs backoff_cap_ms = 900'000;
};

// A target another hunter holds is asked for again after this long (or its
// interval, when that is longer), so that a lease left by a hunter that died
// is taken over within a few seconds of its expiry.
inline constexpr TimeMs kLeaseRetryMs = 5'000;

enum class TargetState {
    Due,            // queried when its time comes
    BackingOff,     // its last query failed or was refused
    HeldElsewhere,  // another hunter holds it
    Ended,          // reached its stop rule
};

struct TargetSchedule {
    TimeMs next_due = 0;
    TargetState state = TargetState::Due;
    Backoff backoff;
    CycleOutcome last_outcome = CycleOutcome::Numbers;
};

class Scheduler {
public:
    Scheduler(std::size_t targets, SchedulerSettings settings, RandomSource random, TimeMs now);

    struct Pick {
        std::optional<std::size_t> target;  // query this one now
        TimeMs wake_at = 0;                 // else ask again then
    };
    Pick pick(TimeMs now) const;

    // The picked target's query goes out now.
    void started(std::size_t target, TimeMs now);
    // Its query finished. Returns the rest a failure or refusal imposes (0
    // after a reply that was read).
    TimeMs finished(std::size_t target, CycleOutcome outcome, TimeMs started, TimeMs now);
    void held_elsewhere(std::size_t target, TimeMs now);
    void end(std::size_t target);

    bool all_ended() const;
    const TargetSchedule& target(std::size_t index) const { return m_targets.at(index); }
    std::size_t size() const { return m_targets.size(); }
    const SchedulerSettings& settings() const { return m_settings; }

private:
    SchedulerSettings m_settings;
    RandomSource m_random;
    RateLimiter m_rate;
    std::vector<TargetSchedule> m_targets;
    std::size_t m_last_picked = 0;
};

}  // namespace qorvex::hunt
