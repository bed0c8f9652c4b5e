#pragma once

// How big a target's pool is, from how often its replies repeat numbers.
//
// Model: a closed population (the pool does not change during the hunt) and
// capture-recapture model M0: every number of the pool is equally likely to
// be in any reply, and each cycle is one sampling occasion that draws n_i
// distinct numbers. Estimator: Darroch's maximum-likelihood estimate for M0,
// the N that solves
//
//     1 - M/N = prod_i (1 - n_i/N)
//
// where M is the number of distinct numbers seen over t cycles. Its variance
// is Darroch's (the inverse of the observed information):
//
//     Var(N) = N / (N/(N-M) + (t-1) - sum_i N/(N-n_i))
//
// The 95% interval is log-normal on the unseen part f0 = N - M, as Chao
// proposed, so that it never reaches below M:
//
//     [M + f0/C, M + f0*C],  C = exp(1.96 * sqrt(ln(1 + Var/f0^2)))
//
// Without any repeat yet (the replies' sizes add up to M) the likelihood
// has no maximum and there is no estimate.

#include <optional>
#include <string>

#include "hunt/store.h"

namespace qorvex::hunt {

struct PoolEstimate {
    double pool = 0;  // N-hat
    double low = 0;   // 95% interval
    double high = 0;
    double coverage = 0;    // M / N-hat
    double mean_reply = 0;  // mean n_i over the cycles
};

// Chao's log-normal 95% interval on the unseen part f0 = N - M of an
// estimate with the given variance: [M + f0/C, M + f0*C].
void set_log_normal_interval(PoolEstimate& estimate, double distinct, double variance);

// Nothing until some number has been seen twice.
std::optional<PoolEstimate> estimate_pool(const CaptureHistory& history);

}  // namespace qorvex::hunt
