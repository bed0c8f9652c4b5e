#pragma once

// Gathers a target's cycles, oldest first, into time steps for a series:
// each step's new numbers, replies, failures and backoffs, and the capture
// history's sizes at its end, which run over every cycle, also those before
// the series begins.

#include <map>
#include <vector>

#include "hunt/history_reader.h"

namespace qorvex::hunt {

class CycleBucketing {
public:
    CycleBucketing(TimeMs since, TimeMs step_ms) : m_since(since), m_step(step_ms) {}

    // One cycle: its reply's distinct numbers, and how many were new.
    void add(TimeMs started, CycleOutcome outcome, int distinct, std::int64_t fresh);

    // The steps that hold a cycle, oldest first.
    std::vector<CycleBucket> take();

private:
    void close_bucket();

    TimeMs m_since;
    TimeMs m_step;
    std::int64_t m_distinct = 0;
    std::map<int, std::int64_t> m_reply_sizes;
    std::vector<CycleBucket> m_buckets;
};

}  // namespace qorvex::hunt
