#include "hunt/draw_model_fit.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "hunt/capture_counts.h"

namespace qorvex::hunt {

namespace {

// Counts above this are pooled into the tail.
constexpr int kLargestCount = 64;
// Pearson's rule of thumb for the chi-square approximation.
constexpr double kLeastExpected = 5;
constexpr int kLeastBins = 5;
// Normal quantiles of 0.95 and 0.999, for the two levels.
constexpr double kNormalQuantile95 = 1.6448536269514722;
constexpr double kNormalQuantile999 = 3.0902323061678132;

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

// A percentile of the chi-square distribution from the normal one's z:
// Wilson and Hilferty, x = df (1 - 2/(9 df) + z sqrt(2/(9 df)))^3.
double chi_square_percentile(int degrees, double z) {
    const double v = 2.0 / (9.0 * degrees);
    const double root = 1 - v + z * std::sqrt(v);
    return degrees * root * root * root;
}

}  // namespace

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
    test.critical = chi_square_percentile(test.degrees, kNormalQuantile95);
    test.strict_critical = chi_square_percentile(test.degrees, kNormalQuantile999);
    test.fits = test.statistic <= test.critical;
    test.rejects = test.statistic > test.strict_critical;
    return test;
}

}  // namespace qorvex::hunt
