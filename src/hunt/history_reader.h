#pragma once

// What a reader of the history (the web server) may ask of it, read-only:
// each target's running totals, its cycles bucketed over time, the hits
// newest first, and pages of the stored numbers. Every implementation reads
// on a connection of its own that never writes, and bounds each read in
// time, so that a reader can neither change the history nor hold up a hunt
// that writes to it.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "hunt/store.h"

namespace qorvex::hunt {

// What the hunt last recorded it does with a target.
struct RecordedState {
    std::string state;  // "scanning", "resting" or "stopped"
    std::string reason;
    TimeMs since = 0;
};

struct TargetTotals {
    std::int64_t id = 0;
    std::string label;  // "Tavikmax/广东/深圳"
    std::int64_t cycles = 0;
    std::int64_t failures = 0;   // cycles without a reply
    std::int64_t backoffs = 0;   // cycles the service refused as too many
    std::int64_t sightings = 0;  // distinct numbers of the replies, summed over the cycles
    std::int64_t hits = 0;
    std::optional<TimeMs> last_cycle;
    std::int64_t recent_cycles = 0;  // cycles since the time `targets` was given
    CaptureHistory capture;
    std::optional<RecordedState> state;  // none: no hunt has recorded one
};

// One time step of a target's cycles, from `start` (inclusive) for the
// series' step.
struct CycleBucket {
    TimeMs start = 0;
    std::int64_t new_numbers = 0;
    std::int64_t replies = 0;  // cycles with a well-formed reply
    std::int64_t failures = 0;
    std::int64_t backoffs = 0;
    // The capture history's sizes at the bucket's end: the distinct numbers
    // seen so far and every reply's size up to then.
    CaptureHistory capture;
};

struct CycleSpan {
    std::optional<TimeMs> first;
    std::optional<TimeMs> last;
};

struct HitEntry {
    std::int64_t target_id = 0;
    std::string target;
    PhoneNumber number = 0;
    ClassMask classes = 0;
    TimeMs at = 0;
    TimeMs first_seen = 0;
};

// Where a page of hits ends: the next page holds the hits stored before it.
struct HitCursor {
    TimeMs at = 0;
    std::int64_t target_id = 0;
    PhoneNumber number = 0;
};

struct StoredNumber {
    std::int64_t target_id = 0;
    PhoneNumber number = 0;
    ClassMask classes = 0;
    TimeMs first_seen = 0;
    TimeMs last_seen = 0;
    std::int64_t times_seen = 0;
};

// Numbers are paged in (target id, number) order: the history's own key.
struct NumberCursor {
    std::int64_t target_id = 0;
    PhoneNumber number = 0;
};

struct NumberQuery {
    std::optional<std::int64_t> target_id;
    ClassMask any_of_classes = 0;  // 0: any
    std::optional<TimeMs> first_seen_since;
    std::optional<TimeMs> first_seen_until;  // exclusive
    std::string digits;                      // the number's text holds these digits
    std::optional<NumberCursor> after;
};

class HistoryReader {
public:
    virtual ~HistoryReader() = default;
    HistoryReader() = default;
    HistoryReader(const HistoryReader&) = delete;
    HistoryReader& operator=(const HistoryReader&) = delete;

    // Every target that has a cycle, in label order, with its cycles since
    // `recent_since` counted apart.
    virtual std::vector<TargetTotals> targets(TimeMs recent_since) = 0;

    virtual CycleSpan cycle_span(std::int64_t target_id) = 0;

    // The target's cycles from `since` on in steps of `step_ms`, oldest
    // first; steps without a cycle are left out.
    virtual std::vector<CycleBucket> cycle_buckets(std::int64_t target_id, TimeMs since,
                                                   TimeMs step_ms) = 0;

    // Up to `limit` hits, newest first, stored before `before` when given.
    virtual std::vector<HitEntry> hits(std::size_t limit,
                                       const std::optional<HitCursor>& before) = 0;

    // Calls `row` for each number that passes the query, in (target id,
    // number) order, until it returns false.
    virtual void scan_numbers(const NumberQuery& query,
                              const std::function<bool(const StoredNumber&)>& row) = 0;
};

}  // namespace qorvex::hunt
