#include "hunt/pool_assessment.h"

#include <gtest/gtest.h>

#include "simulated_hunt.h"

namespace qorvex::hunt {
namespace {

// Over the first cycles of uneven draws (weights varying 13-fold and more),
// an interval that misses the pool is never shown without the lower-bound
// label: while the uniform-draw test has too little data to reject, it
// must not pass either. Small replies from a small pool are where a test
// of few bins passed uneven draws.
TEST(PoolAssessment, NoUnlabelledIntervalMissesAnUnevenPool) {
    const struct {
        int pool;
        int reply;
        int cycles;
    } hunts[] = {{3000, 200, 40}, {1000, 50, 100}};
    for (const auto& row : hunts) {
        for (const double shape : {2.0, 1.0}) {
            for (int seed = 0; seed < 20; ++seed) {
                SCOPED_TRACE("pool " + std::to_string(row.pool) + ", shape " +
                             std::to_string(shape) + ", seed " + std::to_string(seed));
                const double truth = row.pool;
                estimate_eval::SimulatedHunt hunt(row.pool, row.reply, shape,
                                                  std::uint64_t(seed) + 900);
                while (hunt.cycles() < row.cycles) {
                    hunt.cycle();
                    const auto assessment = hunt.progress().assessment();
                    if (assessment.estimate && !assessment.lower_bound) {
                        ASSERT_LE(assessment.estimate->low, truth) << "cycle " << hunt.cycles();
                        ASSERT_GE(assessment.estimate->high, truth) << "cycle " << hunt.cycles();
                    }
                }
                EXPECT_EQ(hunt.progress().assessment().model, DrawModel::Uneven);
            }
        }
    }
}

}  // namespace
}  // namespace qorvex::hunt
