#pragma once

// A pool size that holds when the service does not draw uniformly: Chao's
// lower bound for model Mh (each number has its own chance to be drawn),
// from incidence data, in its bias-corrected form. With t cycles, M numbers
// seen, f1 seen once and f2 seen twice, and A = (t-1)/t:
//
//     N = M + A f1 (f1 - 1) / (2 (f2 + 1))
//
// Numbers that are almost never drawn leave no trace in f1 and f2, so no
// estimator can see them: this is a lower bound for the pool, and reads
// "at least N". Its variance (Chao 1987, for the bias-corrected form):
//
//     Var = A f1 (f1-1) / (2 (f2+1))
//         + A^2 f1 (2 f1 - 1)^2 / (4 (f2+1)^2)
//         + A^2 f1^2 (f1-1)^2 f2 / (4 (f2+1)^4)
//
// and the 95% interval is log-normal on the unseen part f0 = N - M, as for
// the uniform estimate, so that it never reaches below M:
//
//     [M + f0/C, M + f0*C],  C = exp(1.96 * sqrt(ln(1 + Var/f0^2)))

#include <optional>

#include "hunt/pool_estimate.h"
#include "hunt/store.h"

namespace qorvex::hunt {

// Nothing before two cycles.
std::optional<PoolEstimate> estimate_pool_lower_bound(const CaptureHistory& history);

}  // namespace qorvex::hunt
