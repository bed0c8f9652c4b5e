#include "hunt/capture_counts.h"

namespace qorvex::hunt {

std::int64_t cycles_of(const CaptureHistory& history) {
    std::int64_t cycles = 0;
    for (const auto& [size, count] : history.reply_sizes) {
        cycles += size > 0 ? count : 0;
    }
    return cycles;
}

std::int64_t sightings_of(const CaptureHistory& history) {
    std::int64_t sightings = 0;
    for (const auto& [size, count] : history.reply_sizes) {
        sightings += size > 0 ? std::int64_t(size) * count : 0;
    }
    return sightings;
}

std::int64_t sightings_in_frequencies(const CaptureHistory& history) {
    std::int64_t sightings = 0;
    for (const auto& [times, numbers] : history.frequencies) {
        sightings += times * numbers;
    }
    return sightings;
}

std::int64_t frequency(const CaptureHistory& history, std::int64_t times_seen) {
    for (const auto& [times, numbers] : history.frequencies) {
        if (times == times_seen) {
            return numbers;
        }
    }
    return 0;
}

}  // namespace qorvex::hunt
