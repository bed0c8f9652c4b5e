#include "hunt/cycle_bucketing.h"

namespace qorvex::hunt {

void CycleBucketing::add(TimeMs started, CycleOutcome outcome, int distinct, std::int64_t fresh) {
    m_distinct += fresh;
    if (outcome == CycleOutcome::Numbers && distinct > 0) {
        ++m_reply_sizes[distinct];
    }
    if (started < m_since) {
        return;
    }
    const TimeMs start = m_since + (started - m_since) / m_step * m_step;
    if (m_buckets.empty() || m_buckets.back().start != start) {
        if (!m_buckets.empty()) {
            close_bucket();
        }
        m_buckets.emplace_back();
        m_buckets.back().start = start;
    }
    auto& bucket = m_buckets.back();
    bucket.new_numbers += fresh;
    bucket.replies += outcome == CycleOutcome::Numbers || outcome == CycleOutcome::Empty;
    bucket.failures += outcome == CycleOutcome::Failed;
    bucket.backoffs += outcome == CycleOutcome::RateLimited;
}

void CycleBucketing::close_bucket() {
    auto& capture = m_buckets.back().capture;
    capture.distinct_numbers = m_distinct;
    capture.reply_sizes.assign(m_reply_sizes.begin(), m_reply_sizes.end());
}

std::vector<CycleBucket> CycleBucketing::take() {
    // The last cycle added is the last step's end.
    if (!m_buckets.empty()) {
        close_bucket();
    }
    return std::move(m_buckets);
}

}  // namespace qorvex::hunt
