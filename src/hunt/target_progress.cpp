#include "hunt/target_progress.h"

#include <algorithm>

namespace qorvex::hunt {

namespace {

constexpr double kMsPerHour = 3'600'000.0;
// Rates over less than this are too noisy to show.
constexpr TimeMs kShortestRateSpan = 10'000;

}  // namespace

TargetProgress::TargetProgress(const CaptureHistory& history, TimeMs run_started)
    : m_run_started(run_started), m_distinct(history.distinct_numbers) {
    for (const auto& [size, cycles] : history.reply_sizes) {
        m_reply_sizes[size] += cycles;
    }
}

void TargetProgress::add_cycle(CycleOutcome outcome, std::size_t distinct, std::size_t fresh,
                               std::size_t hits) {
    ++m_cycles;
    m_new += std::int64_t(fresh);
    m_hits += std::int64_t(hits);
    m_distinct += std::int64_t(fresh);
    if (outcome == CycleOutcome::Numbers && distinct > 0) {
        ++m_reply_sizes[int(distinct)];
    }
}

void TargetProgress::refresh(const CaptureHistory& history) {
    m_distinct = history.distinct_numbers;
    m_reply_sizes.clear();
    for (const auto& [size, cycles] : history.reply_sizes) {
        m_reply_sizes[size] += cycles;
    }
}

void TargetProgress::add_late(CycleOutcome outcome, std::size_t distinct, std::size_t fresh,
                              std::size_t hits) {
    m_new += std::int64_t(fresh);
    m_hits += std::int64_t(hits);
    m_distinct += std::int64_t(fresh);
    if (outcome == CycleOutcome::Numbers && distinct > 0) {
        ++m_reply_sizes[int(distinct)];
    }
}

CaptureHistory TargetProgress::capture() const {
    CaptureHistory history;
    history.distinct_numbers = m_distinct;
    history.reply_sizes.assign(m_reply_sizes.begin(), m_reply_sizes.end());
    return history;
}

std::optional<PoolEstimate> TargetProgress::estimate() const {
    return estimate_pool(capture());
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
