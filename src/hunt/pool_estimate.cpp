#include "hunt/pool_estimate.h"

#include <cmath>

namespace qorvex::hunt {

namespace {

constexpr double kNormalQuantile95 = 1.96;
// The root is bracketed and halved until it is this close, relatively.
constexpr double kRelativeTolerance = 1e-12;
constexpr int kMaxHalvings = 400;

struct Sizes {
    double sum = 0;
    double cycles = 0;
    double largest = 0;
};

Sizes sizes_of(const CaptureHistory& history) {
    Sizes sizes;
    for (const auto& [size, cycles] : history.reply_sizes) {
        if (size <= 0 || cycles <= 0) {
            continue;
        }
        sizes.sum += double(size) * double(cycles);
        sizes.cycles += double(cycles);
        sizes.largest = std::max(sizes.largest, double(size));
    }
    return sizes;
}

// ln(1 - M/N) - sum_i ln(1 - n_i/N): below zero between M and the estimate,
// above zero beyond it.
double balance(const CaptureHistory& history, double distinct, double pool) {
    double value = std::log1p(-distinct / pool);
    for (const auto& [size, cycles] : history.reply_sizes) {
        if (size > 0 && cycles > 0) {
            value -= double(cycles) * std::log1p(-double(size) / pool);
        }
    }
    return value;
}

double darroch_variance(const CaptureHistory& history, double distinct, double cycles,
                        double pool) {
    double information = pool / (pool - distinct) + (cycles - 1);
    for (const auto& [size, count] : history.reply_sizes) {
        if (size > 0 && count > 0) {
            information -= double(count) * pool / (pool - double(size));
        }
    }
    return information > 0 ? pool / information : INFINITY;
}

}  // namespace

std::optional<PoolEstimate> estimate_pool(const CaptureHistory& history) {
    const double distinct = double(history.distinct_numbers);
    const Sizes sizes = sizes_of(history);
    if (distinct <= 0 || sizes.sum <= distinct) {
        return std::nullopt;
    }
    PoolEstimate estimate;
    estimate.mean_reply = sizes.sum / sizes.cycles;
    if (sizes.largest >= distinct) {
        // One reply held every number ever seen: the likelihood is largest at M.
        estimate.pool = estimate.low = estimate.high = distinct;
        estimate.coverage = 1;
        return estimate;
    }
    double below = distinct;
    double above = distinct * 2;
    while (balance(history, distinct, above) <= 0) {
        below = above;
        above *= 2;
        if (!std::isfinite(above)) {
            return std::nullopt;
        }
    }
    for (int i = 0; i < kMaxHalvings && above - below > kRelativeTolerance * above; ++i) {
        const double middle = below + (above - below) / 2;
        (balance(history, distinct, middle) <= 0 ? below : above) = middle;
    }
    estimate.pool = below + (above - below) / 2;
    estimate.coverage = distinct / estimate.pool;

    const double unseen = estimate.pool - distinct;
    const double variance = darroch_variance(history, distinct, sizes.cycles, estimate.pool);
    if (unseen <= 0) {
        estimate.low = estimate.high = distinct;
        return estimate;
    }
    if (!std::isfinite(variance)) {
        estimate.low = distinct;
        estimate.high = INFINITY;
        return estimate;
    }
    set_log_normal_interval(estimate, distinct, variance);
    return estimate;
}

void set_log_normal_interval(PoolEstimate& estimate, double distinct, double variance) {
    const double unseen = estimate.pool - distinct;
    const double spread =
        std::exp(kNormalQuantile95 * std::sqrt(std::log1p(variance / (unseen * unseen))));
    estimate.low = distinct + unseen / spread;
    estimate.high = distinct + unseen * spread;
}

}  // namespace qorvex::hunt
