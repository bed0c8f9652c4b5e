#include "hunt/lower_bound_estimate.h"

#include <cmath>

#include "hunt/capture_counts.h"

namespace qorvex::hunt {

std::optional<PoolEstimate> estimate_pool_lower_bound(const CaptureHistory& history) {
    const double cycles = double(cycles_of(history));
    const double distinct = double(history.distinct_numbers);
    if (cycles < 2 || distinct <= 0) {
        return std::nullopt;
    }
    const double a = (cycles - 1) / cycles;
    const double f1 = double(frequency(history, 1));
    const double f2 = double(frequency(history, 2));
    const double g = f2 + 1;
    const double unseen = a * f1 * (f1 - 1) / (2 * g);

    PoolEstimate estimate;
    estimate.pool = distinct + unseen;
    estimate.coverage = distinct / estimate.pool;
    estimate.mean_reply = double(sightings_of(history)) / cycles;
    if (unseen <= 0) {
        estimate.low = estimate.high = distinct;
        return estimate;
    }
    const double variance = a * f1 * (f1 - 1) / (2 * g) +
                            a * a * f1 * (2 * f1 - 1) * (2 * f1 - 1) / (4 * g * g) +
                            a * a * f1 * f1 * (f1 - 1) * (f1 - 1) * f2 / (4 * g * g * g * g);
    set_log_normal_interval(estimate, distinct, variance);
    return estimate;
}

}  // namespace qorvex::hunt
