#include "hunt/draw_model_fit.h"

#include <gtest/gtest.h>

#include "simulated_hunt.h"

namespace qorvex::hunt {
namespace {

// Simulated hunts of 30 cycles of 200 from a pool of 3000: the test must
// pass uniform draws at 5% in about 95% of seeds, and reject weights that
// vary tenfold and more (gamma shape 2 and below) at cycle 30's level,
// 0.05 / (30 * 31), in nearly all.
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
            // Uniform draws: does it fail at 5%? Uneven: at cycle 30's level?
            rejected += (row.shape == 0 ? !test.fits : test.rejects) ? 1 : 0;
        }
        EXPECT_GE(rejected, row.least_rejected);
        EXPECT_LE(rejected, row.most_rejected);
    }
}

// The levels of successive cycles add up to the hunt's 5%: no more than
// that share of uniform hunts may ever be called uneven.
TEST(DrawModelFit, UnevenLevelsShareFivePercentOverAHunt) {
    for (const std::int64_t cycles : {1, 30, 1000, 100000}) {
        double spent = 0;
        for (std::int64_t t = 1; t <= cycles; ++t) {
            spent += uneven_level(t);
        }
        EXPECT_NEAR(spent, 0.05 * double(cycles) / double(cycles + 1), 1e-12) << cycles;
    }
    EXPECT_NEAR(uneven_level(30), 0.05 / 930, 1e-15);
    EXPECT_EQ(uneven_level(0), uneven_level(1));
}

// Uniform draws run long (pool 1000, replies of 50, 500 cycles): a level
// that did not shrink with the cycles called some of them uneven at some
// cycle; the shrinking one must stay quiet on nearly all.
TEST(DrawModelFit, LongUniformHuntsAreRarelyEverCalledUneven) {
    constexpr int kSeeds = 20;
    int ever_rejected = 0;
    for (int seed = 0; seed < kSeeds; ++seed) {
        estimate_eval::SimulatedHunt hunt(1000, 50, 0, std::uint64_t(seed) + 300);
        bool rejected = false;
        while (hunt.cycles() < 500 && !rejected) {
            hunt.cycle();
            const auto history = hunt.progress().capture();
            if (const auto uniform = estimate_pool(history)) {
                rejected = test_uniform_draws(history, uniform->pool).rejects;
            }
        }
        ever_rejected += rejected ? 1 : 0;
    }
    EXPECT_LE(ever_rejected, 1);
}

TEST(DrawModelFit, UntestedWithoutEnoughRepeats) {
    // Two cycles give counts of 1 and 2 only: too few bins for the test.
    EXPECT_FALSE(test_uniform_draws({380, {{200, 2}}, {{1, 360}, {2, 20}}}, 2000).tested);
    EXPECT_FALSE(test_uniform_draws({}, 1000).tested);
}

}  // namespace
}  // namespace qorvex::hunt
