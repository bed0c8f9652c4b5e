#include "hunt/scheduler.h"

#include <algorithm>
#include <limits>

namespace qorvex::hunt {

namespace {

// A failing target first rests twice its interval.
constexpr TimeMs kBackoffBaseIntervals = 2;

}  // namespace

Scheduler::Scheduler(std::size_t targets, SchedulerSettings settings, RandomSource random,
                     TimeMs now)
    : m_settings(settings),
      m_random(std::move(random)),
      m_rate(settings.max_per_minute),
      m_last_picked(targets == 0 ? 0 : targets - 1) {
    for (std::size_t i = 0; i < targets; ++i) {
        m_targets.push_back(
            {now, TargetState::Due,
             Backoff(kBackoffBaseIntervals * settings.interval_ms, settings.backoff_cap_ms),
             CycleOutcome::Numbers});
    }
}

Scheduler::Pick Scheduler::pick(TimeMs now) const {
    // The earliest due target wins; among targets due at the same moment,
    // the turn goes round from the one after the last picked.
    std::optional<std::size_t> best;
    const std::size_t count = m_targets.size();
    for (std::size_t step = 1; step <= count; ++step) {
        const std::size_t i = (m_last_picked + step) % count;
        const auto& target = m_targets[i];
        if (target.state == TargetState::Ended) {
            continue;
        }
        if (!best || target.next_due < m_targets[*best].next_due) {
            best = i;
        }
    }
    if (!best) {
        return {std::nullopt, std::numeric_limits<TimeMs>::max()};
    }
    const TimeMs go = std::max(m_targets[*best].next_due, m_rate.next_allowed(now));
    if (go <= now) {
        return {best, now};
    }
    return {std::nullopt, go};
}

void Scheduler::started(std::size_t target, TimeMs now) {
    m_rate.record(now);
    m_last_picked = target;
    auto& schedule = m_targets.at(target);
    // Until it finishes, the target is not due again; a retry or a target
    // taken over is neither resting nor held elsewhere while it runs.
    schedule.next_due = std::numeric_limits<TimeMs>::max();
    schedule.state = TargetState::Due;
}

TimeMs Scheduler::finished(std::size_t target, CycleOutcome outcome, TimeMs started, TimeMs now) {
    auto& schedule = m_targets.at(target);
    schedule.last_outcome = outcome;
    if (schedule.state == TargetState::Ended) {
        return 0;
    }
    if (outcome == CycleOutcome::Numbers || outcome == CycleOutcome::Empty) {
        schedule.backoff.succeeded();
        schedule.state = TargetState::Due;
        schedule.next_due = std::max(started + m_settings.interval_ms, now);
        return 0;
    }
    const TimeMs rest = schedule.backoff.failed(m_random);
    schedule.state = TargetState::BackingOff;
    schedule.next_due = now + rest;
    return rest;
}

void Scheduler::held_elsewhere(std::size_t target, TimeMs now) {
    auto& schedule = m_targets.at(target);
    m_last_picked = target;
    schedule.state = TargetState::HeldElsewhere;
    schedule.next_due = now + std::max(kLeaseRetryMs, m_settings.interval_ms);
}

void Scheduler::end(std::size_t target) {
    m_targets.at(target).state = TargetState::Ended;
}

bool Scheduler::all_ended() const {
    return std::all_of(m_targets.begin(), m_targets.end(),
                       [](const auto& target) { return target.state == TargetState::Ended; });
}

}  // namespace qorvex::hunt
