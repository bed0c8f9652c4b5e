#pragma once

// Counts the estimators read off a capture history: its cycles (sampling
// occasions) t, its sightings U = sum_i n_i, and its capture frequencies
// f_k, the numbers seen in exactly k cycles.

#include <cstdint>

#include "hunt/store.h"

namespace qorvex::hunt {

std::int64_t cycles_of(const CaptureHistory& history);
std::int64_t sightings_of(const CaptureHistory& history);
// sum_k k f_k: the sightings the frequencies account for, which equals U
// when they are complete.
std::int64_t sightings_in_frequencies(const CaptureHistory& history);
// f_k; 0 for a k the history has no number of.
std::int64_t frequency(const CaptureHistory& history, std::int64_t times_seen);

}  // namespace qorvex::hunt
