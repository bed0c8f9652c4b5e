#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/runtime.h"

// The lookup walks a box's lines with visit_text_lines: only CR LF ends a
// line, a final line end adds no empty line, and the walk stops when asked.

namespace qorvex::runtime {
namespace {

struct Row {
    const char* label;
    std::string text;
    std::size_t stop_after;  // lines visited before the visitor says stop
    std::vector<std::string> lines;
};

TEST(VisitTextLines, SplitsAtCrLfOnlyAndStopsWhenAsked) {
    const Row rows[] = {
        {"empty text", "", 9, {}},
        {"one line without line end", "a", 9, {"a"}},
        {"final line end adds no line", "a\r\nb\r\n", 9, {"a", "b"}},
        {"empty lines", "\r\n\r\nc", 9, {"", "", "c"}},
        {"lone LF and CR stay inside the line", "a\nb\rc\r\nd\r", 9, {"a\nb\rc", "d\r"}},
        {"stops after the line that found it", "1\r\n2\r\n3\r\n", 2, {"1", "2"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        std::vector<std::string> lines;
        visit_text_lines(row.text, [&](std::string_view line) {
            lines.emplace_back(line);
            return lines.size() < row.stop_after;
        });
        EXPECT_EQ(lines, row.lines);
    }
}

}  // namespace
}  // namespace qorvex::runtime
