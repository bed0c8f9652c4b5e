// The debug button's sample run in the started program: a scan cycle's work
// on the sample numbers, done on the user-interface thread.

#include <gtest/gtest.h>

#include <string>

#include "runtime/headless/headless_runtime.h"
#include "support/app_started_program.h"

namespace qorvex::scan {
namespace {

std::size_t line_count(const std::string& text) {
    std::size_t lines = 0;
    for (std::size_t at = text.find("\r\n"); at != std::string::npos;
         at = text.find("\r\n", at + 2)) {
        ++lines;
    }
    return lines;
}

class SampleRunTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_program.opened()); }

    runtime::Form& window() { return m_program.window(); }
    bool click(std::string_view name) { return m_runtime.click(window(), name); }

    runtime::HeadlessRuntime m_runtime;
    test::StartedProgram m_program{m_runtime};
};

TEST_F(SampleRunTest, EachRunAddsToTheBoxesAndTheRunningCount) {
    const std::string status = window().text("透明签5");
    ASSERT_TRUE(click("调试按钮"));
    const std::string first_listing = window().text("编辑框1");
    EXPECT_EQ(line_count(first_listing), 43U);
    EXPECT_EQ(window().text("透明签6"), "43");

    ASSERT_TRUE(click("调试按钮"));
    EXPECT_EQ(window().text("编辑框1"), first_listing + first_listing);
    EXPECT_EQ(window().text("透明签6"), "86");
    EXPECT_EQ(window().text("数组的电话"), "");
    // It is no scan: the status line stays as it was.
    EXPECT_EQ(window().text("透明签5"), status);
}

TEST_F(SampleRunTest, UsesTheChoicesOnTheWindow) {
    window().set_text("自定义匹配", "(");
    ASSERT_TRUE(click("单选框3"));
    ASSERT_TRUE(click("调试按钮"));
    const std::string listed = window().text("编辑框1");
    ASSERT_GT(line_count(listed), 0U);
    EXPECT_EQ(listed.find('4'), std::string::npos);
    EXPECT_EQ(listed.find('7'), std::string::npos);
    EXPECT_EQ(window().text("透明签6"), std::to_string(line_count(listed)));
    EXPECT_EQ(window().text("编辑框16"), "");
}

}  // namespace
}  // namespace qorvex::scan
