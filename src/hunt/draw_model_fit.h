#pragma once

// Whether a target's replies look like uniform draws: the model M0 that the
// pool estimate assumes, tested on the capture frequencies.
//
// Under M0 with pool size N, a number's count of sightings over the t
// cycles is a sum of independent Bernoulli draws, one per cycle, with
// p_i = n_i / N (a Poisson-binomial distribution); cycles of one reply size
// n share p, so the count is a sum of binomials, one per reply size. Each
// P(k) is computed on k = 0 … K only (K = kLargestCount, larger counts
// pooled into one tail), which costs O(D K^2) for D reply sizes. The
// expected capture frequencies at the M0 estimate N are E_k = N P(k); they
// add up to M at the estimate, as the observed f_k do.
//
// The test is Pearson's chi-square over k = 1, 2, … with neighbouring
// counts merged until each bin expects at least kLeastExpected numbers
// and the tail pooled:
//
//     X^2 = sum_bins (f_bin - E_bin)^2 / E_bin
//
// with bins - 2 degrees of freedom (the bins' total is fixed, and N is
// fitted), held against two chi-square percentiles (Wilson and Hilferty's
// cube-root approximation). Uneven draws make the frequencies more spread
// than M0 allows: too many numbers seen once, and too many seen often.
// Under M0 the sightings' total fixes the first moment too, so the
// statistic has nearer bins - 3 degrees of freedom when the tail is small;
// counting bins - 2 keeps false alarms low.
//
// Two levels, because the test is asked again after every cycle: the
// uniform model is trusted only while it passes at 5% (below its 95th
// percentile), and declared wrong only once it fails at 0.1% (above the
// 99.9th). At 5% alone, six uniform hunts in ten would have been called
// uneven at some cycle; at 0.1% alone, uneven draws would have passed for
// uniform in their first cycles. Between the two the model is doubtful.
//
// With fewer than five bins (the first cycles, when every count is still
// small) the test has too little power: an early "fits" let the uniform
// interval be shown while it missed an uneven pool. The model is then
// untested, as it is with counts all past K. Both rates, false alarms on
// uniform draws and detections on uneven ones, are measured by
// tools/estimate-eval (docs/estimates.md), not assumed.

#include "hunt/store.h"

namespace qorvex::hunt {

struct DrawModelTest {
    bool tested = false;
    bool fits = false;     // tested, and not rejected at the 5% level
    bool rejects = false;  // tested, and rejected at the 0.1% level
    double statistic = 0;
    int degrees = 0;
    double critical = 0;         // the 95th percentile
    double strict_critical = 0;  // the 99.9th percentile
};

DrawModelTest test_uniform_draws(const CaptureHistory& history, double pool);

}  // namespace qorvex::hunt
