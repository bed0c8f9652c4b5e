#include "runtime/multi_line_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qorvex::runtime {
namespace {

TEST(MultiLineText, DisplayAndProgramForms) {
    struct Row {
        const char* label;
        std::string program;
        std::string display;
    };
    const std::vector<Row> rows{
        {"CR LF", "a\r\nb", "a\nb"},         {"lone LF", "a\nb", "a\nb"},
        {"lone CR", "a\rb", "a\nb"},         {"final CR LF", "a\r\n", "a\n"},
        {"blank lines", "\r\n\r\n", "\n\n"}, {"empty", "", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(display_form(row.program), row.display);
    }
    EXPECT_EQ(program_form("a\nb\n"), "a\r\nb\r\n");
    EXPECT_EQ(program_form("ab"), "ab");
}

TEST(MultiLineText, ReadsBackWhatTheProgramWrote) {
    MultiLineText box;
    EXPECT_EQ(box.set("13800000001\nx"), "13800000001\nx");
    EXPECT_EQ(box.append("\r\n13800000002"), "\n13800000002");
    EXPECT_EQ(box.read("13800000001\nx\n13800000002"), "13800000001\nx\r\n13800000002");
}

TEST(MultiLineText, LineEndSplitOverTwoAppendsIsShownOnce) {
    MultiLineText box;
    std::string shown = box.set("a\r");
    shown += box.append("\nb");
    EXPECT_EQ(shown, "a\nb");
    EXPECT_EQ(box.read(shown), "a\r\nb");
}

TEST(MultiLineText, TextEditedByTheUserReadsWithCrLf) {
    MultiLineText box;
    const std::string shown = box.set("a\nb");
    EXPECT_EQ(box.read(shown + "\nc"), "a\r\nb\r\nc");
}

}  // namespace
}  // namespace qorvex::runtime
