#pragma once

// The share of what the service serves that the hunt already knows: the
// Good-Turing sample coverage, which needs no model of the pool. For t
// cycles with U sightings in all, f1 numbers seen once and f2 seen twice,
// Chao and Jost's form for incidence data (it reduces to Good-Turing's
// 1 - f1/U as t grows, and is exact under uniform draws):
//
//     C = 1 - (f1/U) * ((t-1) f1 / ((t-1) f1 + 2 f2))             (f2 > 0)
//     C = 1 - (f1/U) * ((t-1)(f1-1) / ((t-1)(f1-1) + 2))          (f2 = 0)
//
// 1 - C is the chance that a number of the next reply is new, whatever
// the service favours, so a reply of n numbers is expected to hold
// n (1 - C) new ones. What it cannot promise: numbers the service never
// serves stay unseen and uncounted.

#include <optional>

#include "hunt/store.h"

namespace qorvex::hunt {

// Nothing before two cycles with numbers.
std::optional<double> sample_coverage(const CaptureHistory& history);

// Expected new numbers in the next reply of the history's mean size.
double expected_new_per_cycle(const CaptureHistory& history, double coverage);

}  // namespace qorvex::hunt
