// The running count beside the status line.

#include "scan/running_count.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qorvex::scan {
namespace {

struct CountRow {
    const char* label;
    std::string before;
    std::size_t added;
    std::string after;
};

TEST(RunningCount, AddsToTheDecimalText) {
    const std::vector<CountRow> rows = {
        {"empty counts as 0", "", 30, "30"},
        {"nothing found still writes the count", "", 0, "0"},
        {"two cycles of 30", "30", 30, "60"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(running_count_after(row.before, row.added), row.after);
    }
}

}  // namespace
}  // namespace qorvex::scan
