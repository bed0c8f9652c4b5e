#include "hunt/postgres/cycle_keys.h"

#include <gtest/gtest.h>

#include <unordered_set>

namespace qorvex::hunt::postgres {
namespace {

// 2^18 runs: keys drawn from 32 bits of randomness would repeat among them
// almost surely (the birthday bound is near 2^16), 128 bits never.
TEST(CycleKeys, NoTwoRunsShareAKey) {
    constexpr int kRuns = 1 << 18;
    std::unordered_set<std::string> first_keys;
    for (int run = 0; run < kRuns; ++run) {
        CycleKeys keys;
        EXPECT_TRUE(first_keys.insert(keys.next()).second) << "run " << run;
        if (first_keys.size() != std::size_t(run) + 1) {
            break;
        }
    }
    CycleKeys keys;
    EXPECT_NE(keys.next(), keys.next());
}

}  // namespace
}  // namespace qorvex::hunt::postgres
