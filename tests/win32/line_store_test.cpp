#include "runtime/win32/line_store.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// The line index after every kind of change matches the lines found by
// walking the whole text afresh; line ends split or joined by a change are
// the cases that go wrong.

namespace qorvex::runtime {
namespace {

struct Edit {
    std::size_t from;
    std::size_t to;
    std::string piece;
};

struct Row {
    const char* label;
    std::string initial;
    std::vector<Edit> edits;
    std::vector<std::string> lines;
    bool bare;
};

// Line starts of a text, by the same rules, walking it all.
std::vector<std::size_t> walked_starts(const std::string& text) {
    std::vector<std::size_t> starts{0};
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            ++i;
        }
        if (text[i] == '\r' || text[i] == '\n') {
            starts.push_back(i + 1);
        }
    }
    return starts;
}

TEST(LineStore, IndexFollowsEveryChange) {
    const Row rows[] = {
        {"appending CR LF lines", "", {{0, 0, "a\r\n"}, {3, 3, "b\r\n"}}, {"a", "b", ""}, false},
        {"a CR LF split over two appends", "a\r", {{2, 2, "\nb"}}, {"a", "b"}, false},
        {"lone LF and lone CR", "x\ny\rz", {}, {"x", "y", "z"}, true},
        {"deleting a line end", "a\r\nb\r\nc", {{1, 3, ""}}, {"ab", "c"}, false},
        {"typing a line end into a line", "abc", {{1, 1, "\r\n"}}, {"a", "bc"}, false},
        {"replacing across lines leaves a lone CR",
         "1\r\n2\r\n3\r\n4",
         {{2, 6, "x"}},
         {"1", "x3", "4"},
         true},
        {"removing a CR that stood before CR LF", "a\r\r\nb", {{1, 2, ""}}, {"a", "b"}, false},
        {"replacing everything", "a\nb\nc", {{0, 5, "z\r\n"}}, {"z", ""}, false},
        {"inserting before shifts the lines after",
         "a\r\nb\r\nc",
         {{0, 0, "xy"}},
         {"xya", "b", "c"},
         false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        LineStore store;
        store.assign(row.initial);
        for (const Edit& edit : row.edits) {
            store.replace(edit.from, edit.to, edit.piece);
        }
        std::vector<std::string> lines;
        for (std::size_t line = 0; line < store.line_count(); ++line) {
            lines.push_back(store.text().substr(store.line_start(line),
                                                store.line_end(line) - store.line_start(line)));
        }
        EXPECT_EQ(lines, row.lines);
        EXPECT_EQ(store.has_bare_line_ends(), row.bare);
        const std::vector<std::size_t> starts = walked_starts(store.text());
        ASSERT_EQ(store.line_count(), starts.size());
        for (std::size_t offset = 0; offset <= store.size(); ++offset) {
            const std::size_t line = store.line_of(offset);
            EXPECT_EQ(store.line_start(line), starts[line]) << "offset " << offset;
            EXPECT_TRUE(line + 1 == starts.size() || offset < starts[line + 1]) << offset;
        }
    }
}

}  // namespace
}  // namespace qorvex::runtime
