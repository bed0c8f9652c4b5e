#pragma once

// What a running hunt knows of one target: its capture history (loaded from
// the store when the hunt begins, then kept up to date from every stored
// cycle, so that no cycle costs a read of the history), and what this run
// has done: cycles, new numbers, hits, and so its yield.

#include <cstdint>
#include <map>
#include <optional>
#include <span>

#include "hunt/pool_assessment.h"
#include "hunt/store.h"

namespace qorvex::hunt {

class TargetProgress {
public:
    TargetProgress(const CaptureHistory& history, TimeMs run_started);

    // A stored cycle: `distinct` numbers in its reply, `fresh` of them new,
    // and the numbers seen before with their earlier counts (the commit's
    // repeats), which move the capture frequencies on.
    void add_cycle(CycleOutcome outcome, std::size_t distinct, std::size_t fresh, std::size_t hits,
                   std::span<const std::int64_t> repeats = {});

    // The capture history as the store now holds it, which on a shared
    // store includes every other hunter's cycles of the target.
    void refresh(const CaptureHistory& history);

    // A cycle stored late (a shared store queued it while its server was
    // away; it was counted then, with no reply size): what its reply held,
    // the numbers it turned out to add and the earlier counts of its repeats.
    void add_late(CycleOutcome outcome, std::size_t distinct, std::size_t fresh, std::size_t hits,
                  std::span<const std::int64_t> repeats = {});

    std::int64_t cycles() const { return m_cycles; }
    std::int64_t new_numbers() const { return m_new; }
    std::int64_t hits() const { return m_hits; }
    std::int64_t distinct_numbers() const { return m_distinct; }
    CaptureHistory capture() const;

    // Worked out again only after the capture changed: the status asks for
    // it a few times a second.
    PoolAssessment assessment() const;
    // New numbers per hour over this run.
    double yield_per_hour(TimeMs now) const;
    // Cycles per hour over this run; `fallback` until an hour's share has passed.
    double cycles_per_hour(TimeMs now, double fallback) const;

private:
    void count_sightings(std::size_t fresh, std::span<const std::int64_t> repeats);

    TimeMs m_run_started;
    std::int64_t m_distinct = 0;
    std::map<int, std::int64_t> m_reply_sizes;
    std::map<std::int64_t, std::int64_t> m_frequencies;  // times seen → numbers
    mutable std::optional<PoolAssessment> m_assessment;
    std::int64_t m_cycles = 0;
    std::int64_t m_new = 0;
    std::int64_t m_hits = 0;
};

}  // namespace qorvex::hunt
