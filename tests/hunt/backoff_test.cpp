#include "hunt/backoff.h"

#include <gtest/gtest.h>

namespace qorvex::hunt {
namespace {

TEST(Backoff, DoublesWithJitterUpToTheCapAndResets) {
    const struct {
        const char* label;
        double draw;
        std::vector<TimeMs> delays;
    } cases[] = {
        {"lowest draw: half of each step", 0.0, {500, 1000, 2000, 4000, 5000, 5000}},
        {"highest draw: the whole step", 0.999999, {999, 1999, 3999, 7999, 9999, 9999}},
        {"middle draw", 0.5, {750, 1500, 3000, 6000, 7500, 7500}},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.label);
        Backoff backoff(1000, 10'000);
        const RandomSource random = [&row] { return row.draw; };
        for (const TimeMs expected : row.delays) {
            EXPECT_EQ(backoff.failed(random), expected);
        }
        backoff.succeeded();
        EXPECT_EQ(backoff.failures(), 0);
        EXPECT_EQ(backoff.failed(random), row.delays.front()) << "a reply starts over";
    }
}

TEST(Backoff, ManyFailuresStayAtTheCap) {
    Backoff backoff(1000, 900'000);
    TimeMs last = 0;
    for (int i = 0; i < 200; ++i) {
        last = backoff.failed([] { return 0.999; });
    }
    EXPECT_LE(last, 900'000);
    EXPECT_GE(last, 450'000);
}

}  // namespace
}  // namespace qorvex::hunt
