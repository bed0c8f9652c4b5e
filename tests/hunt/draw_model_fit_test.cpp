#include "hunt/draw_model_fit.h"

#include <gtest/gtest.h>

#include "simulated_hunt.h"

namespace qorvex::hunt {
namespace {

// Simulated hunts of 30 cycles of 200 from a pool of 3000: the test must
// pass uniform draws at 5% in about 95% of seeds, and reject weights that
// vary tenfold and more (gamma shape 2 and below) at 0.1% in nearly all.
TEST(DrawModelFit, KeepsQuietOnUniformDrawsAndFlagsUnevenOnes) {
    constexpr int kSeeds = 40;
    const struct {
        const char* label;
        double shape;
        int least_rejected;
        int most_rejected;
    } cases[] = {
        {"uniform: false alarms near 5%", 0, 0, 6},
        {"gamma 2, about 13-fold", 2, 38, kSeeds},
        {"gamma 1, exponential", 1, kSeeds, kSeeds},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.label);
        int rejected = 0;
        for (int seed = 0; seed < kSeeds; ++seed) {
            estimate_eval::SimulatedHunt hunt(3000, 200, row.shape, std::uint64_t(seed) + 77);
            while (hunt.cycles() < 30) {
                hunt.cycle();
            }
            const auto history = hunt.progress().capture();
            const auto uniform = estimate_pool(history);
            ASSERT_TRUE(uniform);
            const auto test = test_uniform_draws(history, uniform->pool);
            ASSERT_TRUE(test.tested);
            // Uniform draws: does it fail at 5%? Uneven: does it fail at 0.1%?
            rejected += (row.shape == 0 ? !test.fits : test.rejects) ? 1 : 0;
        }
        EXPECT_GE(rejected, row.least_rejected);
        EXPECT_LE(rejected, row.most_rejected);
    }
}

TEST(DrawModelFit, UntestedWithoutEnoughRepeats) {
    // Two cycles give counts of 1 and 2 only: too few bins for the test.
    EXPECT_FALSE(test_uniform_draws({380, {{200, 2}}, {{1, 360}, {2, 20}}}, 2000).tested);
    EXPECT_FALSE(test_uniform_draws({}, 1000).tested);
}

}  // namespace
}  // namespace qorvex::hunt
