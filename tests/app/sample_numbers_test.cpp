#include <gtest/gtest.h>

#include <string>

#include "runtime/headless/headless_runtime.h"
#include "support/app_started_program.h"

namespace qorvex::app {
namespace {

int line_count(const std::string& text) {
    int lines = 0;
    for (std::size_t at = text.find("\r\n"); at != std::string::npos;
         at = text.find("\r\n", at + 2)) {
        ++lines;
    }
    return lines;
}

// The debug run is there to show the classifier at work, so its sample lists
// something in every result column: all numbers in the first, at least one
// number in each of the fourteen pattern classes and under the custom 688.
TEST(SampleNumbers, DebugRunListsNumbersInEveryColumn) {
    runtime::HeadlessRuntime runtime;
    test::StartedProgram program(runtime);
    ASSERT_TRUE(program.opened());
    ASSERT_TRUE(runtime.click(program.window(), "调试按钮"));

    EXPECT_EQ(line_count(program.window().text("编辑框1")), 43);
    for (int column = 2; column <= 16; ++column) {
        SCOPED_TRACE("column " + std::to_string(column));
        const std::string listed = program.window().text("编辑框" + std::to_string(column));
        EXPECT_GE(line_count(listed), 1);
        EXPECT_LT(line_count(listed), 43);
    }
    EXPECT_EQ(program.window().text("数组的电话"), "");
}

}  // namespace
}  // namespace qorvex::app
