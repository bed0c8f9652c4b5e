#include "hunt/pool_assessment.h"

#include <gtest/gtest.h>

#include "simulated_hunt.h"

namespace qorvex::hunt {
namespace {

// Over the first 40 cycles of uneven draws (weights varying 13-fold and
// more) from a pool of 3000, an interval that misses the pool is never
// shown without the lower-bound label: while the uniform-draw test has too
// little data to reject, it must not pass either.
TEST(PoolAssessment, NoUnlabelledIntervalMissesAnUnevenPool) {
    constexpr double kPool = 3000;
    for (const double shape : {2.0, 1.0}) {
        for (int seed = 0; seed < 10; ++seed) {
            SCOPED_TRACE("shape " + std::to_string(shape) + ", seed " + std::to_string(seed));
            estimate_eval::SimulatedHunt hunt(int(kPool), 200, shape, std::uint64_t(seed) + 900);
            while (hunt.cycles() < 40) {
                hunt.cycle();
                const auto assessment = hunt.progress().assessment();
                if (assessment.estimate && !assessment.lower_bound) {
                    ASSERT_LE(assessment.estimate->low, kPool) << "cycle " << hunt.cycles();
                    ASSERT_GE(assessment.estimate->high, kPool) << "cycle " << hunt.cycles();
                }
            }
            EXPECT_EQ(hunt.progress().assessment().model, DrawModel::Uneven);
        }
    }
}

}  // namespace
}  // namespace qorvex::hunt
