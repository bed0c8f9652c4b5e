#include "hunt/lower_bound_estimate.h"

#include <gtest/gtest.h>

#include "simulated_hunt.h"

namespace qorvex::hunt {
namespace {

TEST(LowerBoundEstimate, ChaosBoundFromTheFirstFrequencies) {
    const struct {
        const char* label;
        CaptureHistory history;
        double pool;
    } cases[] = {
        // A = 9/10; 0.9 * 30 * 29 / (2 * 11) = 35.59…
        {"f1 30, f2 10 over 10 cycles",
         {100, {{20, 10}}, {{1, 30}, {2, 10}, {3, 60}}},
         100 + 0.9 * 30 * 29 / 22.0},
        // No number seen twice: the bias-corrected form still holds.
        {"f2 zero", {8, {{4, 2}}, {{1, 8}}}, 8 + 0.5 * 8 * 7 / 2.0},
        {"every number seen twice or more", {50, {{25, 4}}, {{2, 50}}}, 50},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.label);
        const auto estimate = estimate_pool_lower_bound(row.history);
        ASSERT_TRUE(estimate);
        EXPECT_NEAR(estimate->pool, row.pool, 1e-9);
        EXPECT_GE(estimate->low, double(row.history.distinct_numbers));
        EXPECT_LE(estimate->low, estimate->pool);
        EXPECT_GE(estimate->high, estimate->pool);
    }
    EXPECT_FALSE(estimate_pool_lower_bound({10, {{10, 1}}, {{1, 10}}})) << "one cycle";
}

// On uneven draws the uniform estimate falls short of the pool; the lower
// bound falls less short, so it is the one that may be shown.
TEST(LowerBoundEstimate, FallsLessShortThanTheUniformEstimateOnUnevenDraws) {
    int closer = 0;
    for (int seed = 0; seed < 20; ++seed) {
        estimate_eval::SimulatedHunt hunt(3000, 200, 1, std::uint64_t(seed) + 5);
        while (hunt.cycles() < 40) {
            hunt.cycle();
        }
        const auto history = hunt.progress().capture();
        const auto uniform = estimate_pool(history);
        const auto bound = estimate_pool_lower_bound(history);
        ASSERT_TRUE(uniform && bound);
        EXPECT_LT(uniform->high, 3000) << "the uniform interval misses the pool";
        closer += bound->pool > uniform->pool ? 1 : 0;
    }
    EXPECT_EQ(closer, 20);
}

}  // namespace
}  // namespace qorvex::hunt
