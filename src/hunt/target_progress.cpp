#include "hunt/target_progress.h"

#include <algorithm>

namespace qorvex::hunt {

namespace {

constexpr double kMsPerHour = 3'600'000.0;
// Rates over less than this are too noisy to show.
constexpr TimeMs kShortestRateSpan = 10'000;

}  // namespace

TargetProgress::TargetProgress(const CaptureHistory& history, TimeMs run_started)
    : m_run_started(run_started) {
    refresh(history);
}

void TargetProgress::add_cycle(CycleOutcome outcome, std::size_t distinct, std::size_t fresh,
                               std::size_t hits, std::span<const std::int64_t> repeats) {
    ++m_cycles;
    // What a cycle stored at once adds is what a late one adds when stored.
    add_late(outcome, distinct, fresh, hits, repeats);
}

void TargetProgress::add_late(CycleOutcome outcome, std::size_t distinct, std::size_t fresh,
                              std::size_t hits, std::span<const std::int64_t> repeats) {
    m_new += std::int64_t(fresh);
    m_hits += std::int64_t(hits);
    m_distinct += std::int64_t(fresh);
    if (outcome == CycleOutcome::Numbers && distinct > 0) {
        ++m_reply_sizes[int(distinct)];
    }
    count_sightings(fresh, repeats);
    m_assessment.reset();
}

void TargetProgress::refresh(const CaptureHistory& history) {
    m_assessment.reset();
    m_distinct = history.distinct_numbers;
    m_reply_sizes.clear();
    for (const auto& [size, cycles] : history.reply_sizes) {
        m_reply_sizes[size] += cycles;
    }
    m_frequencies.clear();
    for (const auto& [times, numbers] : history.frequencies) {
        m_frequencies[times] += numbers;
    }
}

// A new number joins f1; a number seen k times before moves from f_k to
// f_(k+1).
void TargetProgress::count_sightings(std::size_t fresh, std::span<const std::int64_t> repeats) {
    if (fresh > 0) {
        m_frequencies[1] += std::int64_t(fresh);
    }
    for (const std::int64_t before : repeats) {
        if (const auto found = m_frequencies.find(before); found != m_frequencies.end()) {
            if (--found->second <= 0) {
                m_frequencies.erase(found);
            }
        }
        ++m_frequencies[before + 1];
    }
}

CaptureHistory TargetProgress::capture() const {
    CaptureHistory history;
    history.distinct_numbers = m_distinct;
    history.reply_sizes.assign(m_reply_sizes.begin(), m_reply_sizes.end());
    history.frequencies.assign(m_frequencies.begin(), m_frequencies.end());
    return history;
}

PoolAssessment TargetProgress::assessment() const {
    if (!m_assessment) {
        m_assessment = assess_pool(capture());
    }
    return *m_assessment;
}

double TargetProgress::yield_per_hour(TimeMs now) const {
    const TimeMs span = std::max(now - m_run_started, kShortestRateSpan);
    return double(m_new) * kMsPerHour / double(span);
}

double TargetProgress::cycles_per_hour(TimeMs now, double fallback) const {
    const TimeMs span = now - m_run_started;
    if (span < kShortestRateSpan || m_cycles == 0) {
        return fallback;
    }
    return double(m_cycles) * kMsPerHour / double(span);
}

}  // namespace qorvex::hunt
