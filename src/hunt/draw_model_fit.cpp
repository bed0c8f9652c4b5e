#include "hunt/draw_model_fit.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "hunt/capture_counts.h"

namespace qorvex::hunt {

namespace {

// Counts above this are pooled into the tail.
constexpr int kLargestCount = 64;
// Pearson's rule of thumb for the chi-square approximation.
constexpr double kLeastExpected = 5;
// Bins to test at all, and to trust the uniform model.
constexpr int kLeastBins = 5;
constexpr int kLeastBinsToFit = 7;
// The level at which the uniform model fits (the normal quantile of 0.95),
// and the false-alarm rate that a whole hunt's "uneven" verdicts share.
constexpr double kNormalQuantile95 = 1.6448536269514722;
constexpr double kHuntFalseAlarms = 0.05;

using Distribution = std::array<double, kLargestCount + 1>;

// Binomial(cycles, p) on 0 … kLargestCount, in logs so that (1-p)^cycles
// of a long hunt does not underflow before it is multiplied out.
Distribution binomial(std::int64_t cycles, double p) {
    Distribution pmf{};
    const double n = double(cycles);
    const double log_p = std::log(p);
    const double log_q = std::log1p(-p);
    for (int k = 0; k <= kLargestCount && k <= cycles; ++k) {
        const double log_choose =
            std::lgamma(n + 1) - std::lgamma(k + 1.0) - std::lgamma(n - k + 1);
        pmf[std::size_t(k)] = std::exp(log_choose + k * log_p + (n - k) * log_q);
    }
    return pmf;
}

Distribution convolve(const Distribution& a, const Distribution& b) {
    Distribution sum{};
    for (std::size_t i = 0; i < a.size(); ++i) {
        for (std::size_t j = 0; i + j < sum.size(); ++j) {
            sum[i + j] += a[i] * b[j];
        }
    }
    return sum;
}

// The normal quantile z with P(Z > z) = tail, by Newton's method on
// P(Z > z) = erfc(z / sqrt 2) / 2, whose derivative is minus the density.
double normal_upper_quantile(double tail) {
    constexpr double kRootTwoPi = 2.5066282746310002;
    double z = std::sqrt(-2 * std::log(tail));
    for (int step = 0; step < 100; ++step) {
        const double upper = 0.5 * std::erfc(z / std::numbers::sqrt2);
        const double next = z + (upper - tail) * kRootTwoPi * std::exp(0.5 * z * z);
        if (std::abs(next - z) < 1e-12) {
            return next;
        }
        z = next;
    }
    return z;
}

// A percentile of the chi-square distribution from the normal one's z:
// Wilson and Hilferty, x = df (1 - 2/(9 df) + z sqrt(2/(9 df)))^3.
double chi_square_percentile(int degrees, double z) {
    const double v = 2.0 / (9.0 * degrees);
    const double root = 1 - v + z * std::sqrt(v);
    return degrees * root * root * root;
}

}  // namespace

// alpha / (t (t + 1)) = alpha (1/t - 1/(t + 1)), so the levels of cycles
// 1, 2, … add up to alpha: by the union bound, the chance that a uniform
// hunt is ever called uneven is at most alpha, however long it runs and
// however the tests of successive cycles depend on each other.
double uneven_level(std::int64_t cycles) {
    const double t = double(std::max<std::int64_t>(cycles, 1));
    return kHuntFalseAlarms / (t * (t + 1));
}

DrawModelTest test_uniform_draws(const CaptureHistory& history, double pool) {
    DrawModelTest test;
    const double distinct = double(history.distinct_numbers);
    if (!(pool > distinct) || !std::isfinite(pool) || history.frequencies.empty()) {
        return test;
    }
    Distribution counts{};
    counts[0] = 1;
    for (const auto& [size, cycles] : history.reply_sizes) {
        if (size > 0 && cycles > 0) {
            counts = convolve(counts, binomial(cycles, std::min(double(size) / pool, 1.0)));
        }
    }
    // Bins of neighbouring counts k = 1 … kLargestCount - 1, each closed
    // once it expects enough; whatever is left, the tail, is seen - the rest.
    std::vector<std::pair<double, double>> bins;  // observed, expected
    double observed = 0;
    double expected = 0;
    double observed_before = 0;
    double expected_before = 0;
    for (int k = 1; k < kLargestCount; ++k) {
        observed += double(frequency(history, k));
        expected += pool * counts[std::size_t(k)];
        if (expected >= kLeastExpected) {
            bins.emplace_back(observed, expected);
            observed_before += observed;
            expected_before += expected;
            observed = expected = 0;
        }
    }
    const double tail_expected = pool * (1 - counts[0]) - expected_before;
    const double tail_observed = distinct - observed_before;
    if (tail_expected >= kLeastExpected || bins.empty()) {
        bins.emplace_back(tail_observed, tail_expected);
    } else {
        bins.back().first += tail_observed;
        bins.back().second += tail_expected;
    }
    if (int(bins.size()) < kLeastBins) {
        return test;
    }
    for (const auto& [seen, expect] : bins) {
        test.statistic += (seen - expect) * (seen - expect) / expect;
    }
    test.tested = true;
    test.degrees = int(bins.size()) - 2;
    std::int64_t cycles = 0;
    for (const auto& [size, count] : history.reply_sizes) {
        cycles += std::max<std::int64_t>(count, 0);
    }
    test.strict_level = uneven_level(cycles);
    test.critical = chi_square_percentile(test.degrees, kNormalQuantile95);
    test.strict_critical =
        chi_square_percentile(test.degrees, normal_upper_quantile(test.strict_level));
    test.fits = test.statistic <= test.critical && int(bins.size()) >= kLeastBinsToFit;
    test.rejects = test.statistic > test.strict_critical;
    return test;
}

}  // namespace qorvex::hunt
