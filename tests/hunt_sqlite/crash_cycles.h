#pragma once

// The cycles the crash test's writer stores, derived from the cycle's index
// alone, so that the test can tell what every committed cycle held.

#include <vector>

#include "hunt/store.h"

namespace qorvex::hunt::test {

inline constexpr const char* kCrashTarget = "Tavikmax/广东/深圳";
inline constexpr int kCrashSightings = 200;

inline CycleRecord crash_cycle(int index) {
    return {kCrashTarget, 1'700'000'000'000 + index * 1000LL, CycleOutcome::Numbers, 250, 90, {}};
}

// 200 distinct numbers out of a pool of 5,000, shifted each cycle, so that
// cycles mix new and repeated numbers (101 is prime to 5,000).
inline std::vector<Sighting> crash_sightings(int index) {
    std::vector<Sighting> sightings;
    for (int j = 0; j < kCrashSightings; ++j) {
        const PhoneNumber number = 13800000000 + (index * 37 + j * 101) % 5000;
        sightings.push_back({number, static_cast<ClassMask>(1U << (number % kClassBitCount))});
    }
    return sightings;
}

}  // namespace qorvex::hunt::test
