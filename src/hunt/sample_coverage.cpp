#include "hunt/sample_coverage.h"

#include "hunt/capture_counts.h"

namespace qorvex::hunt {

std::optional<double> sample_coverage(const CaptureHistory& history) {
    const double cycles = double(cycles_of(history));
    const double sightings = double(sightings_of(history));
    if (cycles < 2 || sightings <= 0) {
        return std::nullopt;
    }
    const double f1 = double(frequency(history, 1));
    const double f2 = double(frequency(history, 2));
    if (f1 <= 0) {
        return 1.0;
    }
    const double ones = f2 > 0 ? f1 : f1 - 1;
    const double twos = f2 > 0 ? f2 : 1;
    const double weight = ones > 0 ? (cycles - 1) * ones / ((cycles - 1) * ones + 2 * twos) : 0;
    return 1 - f1 / sightings * weight;
}

double expected_new_per_cycle(const CaptureHistory& history, double coverage) {
    const double cycles = double(cycles_of(history));
    return cycles > 0 ? (1 - coverage) * double(sightings_of(history)) / cycles : 0;
}

}  // namespace qorvex::hunt
