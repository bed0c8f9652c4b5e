#include "hunt/target_progress.h"

#include <gtest/gtest.h>

#include "hunt/capture_counts.h"

namespace qorvex::hunt {
namespace {

TEST(TargetProgress, ARefreshTakesTheStoresHistoryWholeAndLaterCyclesAddToIt) {
    TargetProgress progress(CaptureHistory{200, {{200, 1}}, {{1, 200}}}, 0);
    progress.add_cycle(CycleOutcome::Numbers, 200, 150, 0);
    // Another hunter's cycles of the target, as a shared store returns them.
    const CaptureHistory shared{900, {{200, 6}}, {{1, 900}}};
    progress.refresh(shared);
    EXPECT_EQ(progress.distinct_numbers(), 900);
    EXPECT_EQ(progress.capture().reply_sizes, shared.reply_sizes);
    EXPECT_EQ(progress.cycles(), 1);  // this run's own count stays

    progress.add_cycle(CycleOutcome::Numbers, 200, 40, 0);
    EXPECT_EQ(progress.distinct_numbers(), 940);
    EXPECT_EQ(progress.capture().reply_sizes,
              (std::vector<std::pair<int, std::int64_t>>{{200, 7}}));
}

// A cycle a shared store queued counts as a cycle at once, and its reply
// only once it is stored, with the numbers it added.
TEST(TargetProgress, AQueuedCycleEntersTheEstimateWhenItIsStored) {
    TargetProgress progress(CaptureHistory{200, {{200, 1}}, {}}, 0);
    progress.add_cycle(CycleOutcome::Numbers, 0, 0, 0);
    EXPECT_EQ(progress.cycles(), 1);
    EXPECT_EQ(progress.capture().reply_sizes,
              (std::vector<std::pair<int, std::int64_t>>{{200, 1}}));
    progress.add_late(CycleOutcome::Numbers, 200, 150, 2);
    EXPECT_EQ(progress.distinct_numbers(), 350);
    EXPECT_EQ(progress.hits(), 2);
    EXPECT_EQ(progress.capture().reply_sizes,
              (std::vector<std::pair<int, std::int64_t>>{{200, 2}}));
}

TEST(TargetProgress, CaptureFrequenciesMoveWithEachCycle) {
    // Three replies of two: f1 = 2, f2 = 2 so far.
    TargetProgress progress(CaptureHistory{4, {{2, 3}}, {{1, 2}, {2, 2}}}, 0);
    // Two new numbers; one seen once before, one seen twice before.
    const std::vector<std::int64_t> repeats{1, 2};
    progress.add_cycle(CycleOutcome::Numbers, 4, 2, 0, repeats);
    const std::vector<std::pair<std::int64_t, std::int64_t>> after{{1, 3}, {2, 2}, {3, 1}};
    EXPECT_EQ(progress.capture().frequencies, after);
    EXPECT_EQ(progress.distinct_numbers(), 6);
    EXPECT_EQ(sightings_in_frequencies(progress.capture()), sightings_of(progress.capture()));
}

}  // namespace
}  // namespace qorvex::hunt
