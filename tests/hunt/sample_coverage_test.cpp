#include "hunt/sample_coverage.h"

#include <gtest/gtest.h>

#include <cmath>

#include "simulated_hunt.h"

namespace qorvex::hunt {
namespace {

TEST(SampleCoverage, ExactOnExpectedUniformFrequencies) {
    // 10000 numbers, two cycles each drawing half: f1 = 5000, f2 = 2500 on
    // average, and a quarter of the pool is unseen: coverage 0.75.
    const CaptureHistory history{7500, {{5000, 2}}, {{1, 5000}, {2, 2500}}};
    ASSERT_TRUE(sample_coverage(history));
    EXPECT_NEAR(*sample_coverage(history), 0.75, 1e-12);
    EXPECT_NEAR(expected_new_per_cycle(history, 0.75), 1250, 1e-9);
    EXPECT_FALSE(sample_coverage({200, {{200, 1}}, {{1, 200}}})) << "one cycle";
    EXPECT_EQ(sample_coverage({100, {{100, 3}}, {{3, 100}}}), 1.0) << "nothing seen once";
}

// Whatever the service favours, 1 - C follows the true share of a reply
// that is new within a few points.
TEST(SampleCoverage, TracksTheUnseenShareOfUnevenDraws) {
    for (const double shape : {0.0, 1.0, 0.5}) {
        SCOPED_TRACE(shape);
        estimate_eval::SimulatedHunt hunt(3000, 200, shape, 11);
        for (const int until : {10, 30, 80}) {
            while (hunt.cycles() < until) {
                hunt.cycle();
            }
            const auto coverage = sample_coverage(hunt.progress().capture());
            ASSERT_TRUE(coverage);
            EXPECT_NEAR(1 - *coverage, hunt.true_unseen_share(), 0.03) << "cycle " << until;
        }
    }
}

}  // namespace
}  // namespace qorvex::hunt
