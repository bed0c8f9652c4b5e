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
// Two levels, because the test is asked again after every cycle. The
// uniform model is trusted only while it passes at 5% (below its 95th
// percentile) with at least seven bins; it is declared wrong, "uneven",
// only once the statistic passes a level that shrinks with the cycles t
// the history holds (the test's t-th asking, one a cycle):
//
//     alpha_t = 0.05 / (t (t + 1)),   sum over t >= 1 of alpha_t = 0.05,
//
// so that by the union bound at most 5% of uniform hunts are ever called
// uneven, however long they run (at one level of 0.1%, one hunt in ten of
// thousands of cycles was). At cycle 30 the level is 5.4e-5, at cycle
// 1000 5e-8: uneven draws pass it by far once there are enough repeats.
// A false alarm is the verdict "uneven" on uniform draws. Between the two
// levels, and with five or six bins, the model is doubtful: the lower
// bound is shown, labelled as one, as it is before the test can be run.
//
// With fewer than five bins (the first cycles, when every count is still
// small) the test has too little power: an early "fits" let the uniform
// interval be shown while it missed an uneven pool. The model is then
// untested, as it is with counts all past K. Five or six bins can show
// strong evidence of uneven draws but are too few to trust uniform ones:
// weights varying tenfold still passed at 5% there, and the uniform
// interval missed. Both rates, false alarms on uniform draws and
// detections on uneven ones, are measured by
// tools/estimate-eval (docs/estimates.md), not assumed.

#include "hunt/store.h"

namespace qorvex::hunt {

struct DrawModelTest {
    bool tested = false;
    bool fits = false;     // seven bins or more, not rejected at 5%
    bool rejects = false;  // tested, and rejected at uneven_level
    double statistic = 0;
    int degrees = 0;
    double critical = 0;         // the 95th percentile
    double strict_level = 0;     // the level that calls the draws uneven
    double strict_critical = 0;  // its percentile
};

// The level of the "uneven" verdict after `cycles` cycles (see above).
double uneven_level(std::int64_t cycles);

DrawModelTest test_uniform_draws(const CaptureHistory& history, double pool);

}  // namespace qorvex::hunt
