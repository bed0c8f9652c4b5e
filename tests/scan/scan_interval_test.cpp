#include "scan/scan_interval.h"

#include <gtest/gtest.h>

namespace qorvex::scan {
namespace {

struct IntervalCase {
    const char* label;
    const char* text;
    int period_ms;
};

TEST(ScanInterval, SecondsBecomeTheTimerPeriod) {
    const IntervalCase cases[] = {
        {"default five seconds", "5", 5000},
        {"one second", "1", 1000},
        {"a fraction is honoured", "2.5", 2500},
        {"full-width digits and point", "２．５", 2500},
        {"half a second", "0.5", 500},
        {"point without whole seconds", ".25", 250},
        {"parts of a millisecond dropped", "1.23456", 1234},
        {"trailing text ignored", "5秒", 5000},
        {"leading space skipped", " 3", 3000},
        {"point without fraction", "7.", 7000},
        {"largest whole period", "2147483.647", 2147483647},
        {"one millisecond beyond the timer's reach is clamped", "2147483.648",
         kLargestTimerPeriodMs},
        {"far too large is clamped", "99999999999999999999", kLargestTimerPeriodMs},
        {"zero keeps the timer stopped", "0", 0},
        {"zero with a fraction of zero", "0.000", 0},
        {"less than a millisecond", "0.0004", 0},
        {"negative keeps the timer stopped", "-5", 0},
        {"negative fraction keeps the timer stopped", "-0.5", 0},
        {"not a number keeps the timer stopped", "abc", 0},
        {"empty keeps the timer stopped", "", 0},
    };
    for (const IntervalCase& row : cases) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(timer_period_ms(row.text), row.period_ms);
    }
}

}  // namespace
}  // namespace qorvex::scan
