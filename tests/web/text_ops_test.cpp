#include "web/text_ops.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace qorvex::web {
namespace {

// "中" is three bytes in UTF-8 (E4 B8 AD); "　" is the full-width space.
constexpr const char* kWide = "中";

struct FindRow {
    const char* label;
    std::string text;
    std::string search;
    int start;
    bool ignore_case;
    int expected;
};

TEST(TextOps, FindGivesFirstPositionAtOrAfterStart) {
    const std::vector<FindRow> rows = {
        {"empty search in a text", "abc", "", 1, false, 1},
        {"empty search in an empty text", "", "", 1, false, -1},
        {"first occurrence", "abcabc", "bc", 1, false, 2},
        {"from a later start", "abcabc", "bc", 3, false, 5},
        {"start below 1 means 1", "abc", "a", -3, false, 1},
        {"start past the end", "abc", "a", 9, false, -1},
        {"absent", "abc", "x", 1, false, -1},
        {"case counts by default", "ABC", "b", 1, false, -1},
        {"ignore case", "ABC", "b", 1, true, 2},
        {"whole wide character", "a中b", kWide, 1, false, 2},
        {"byte positions after a wide character", "a中b", "b", 1, false, 5},
        {"never inside a wide character", "中", "\xB8\xAD", 1, false, -1},
        {"never half a wide character", "中a", "\xE4", 1, false, -1},
        {"start inside a character moves on", "中中", kWide, 2, false, 4},
        {"case folding is ASCII only", "\xC3\x89", "\xC3\xA9", 1, true, -1},
    };
    for (const FindRow& row : rows) {
        EXPECT_EQ(find_text(row.text, row.search, row.start, row.ignore_case), row.expected)
            << row.label;
    }
}

TEST(TextOps, FindBackwardGivesLastPosition) {
    const std::vector<FindRow> rows = {
        {"last occurrence", "abcabc", "bc", 0, false, 5},
        {"begins at or before start", "abcabc", "bc", 4, false, 2},
        {"start past the end searches all", "abcabc", "bc", 99, false, 5},
        {"absent", "abc", "x", 0, false, -1},
        {"ignore case", "aXax", "x", 0, true, 4},
        {"never inside a wide character", "中中", "\xAD", 0, false, -1},
        {"last colon of a host", "srv:80:8443", ":", 0, false, 7},
    };
    for (const FindRow& row : rows) {
        EXPECT_EQ(find_text_backward(row.text, row.search, row.start, row.ignore_case),
                  row.expected)
            << row.label;
    }
}

struct TextRow {
    const char* label;
    std::string actual;
    std::string expected;
};

TEST(TextOps, LeftRightAndMiddleCountBytesWithoutCuttingCharacters) {
    const std::vector<TextRow> rows = {
        {"left", left_text("abc", 2), "ab"},
        {"left past the end", left_text("abc", 5), "abc"},
        {"left of 0", left_text("abc", 0), ""},
        {"left below 0", left_text("abc", -1), ""},
        {"left would cut a character", left_text("中a", 1), ""},
        {"left of a whole character", left_text("中a", 3), kWide},
        {"right", right_text("abc", 2), "bc"},
        {"right past the end", right_text("abc", 9), "abc"},
        {"right of 0", right_text("abc", 0), ""},
        {"right would cut a character", right_text("a中", 2), ""},
        {"middle", middle_text("abcdef", 2, 3), "bcd"},
        {"middle cut at the end", middle_text("abcdef", 5, 9), "ef"},
        {"middle start 0", middle_text("abc", 0, 2), ""},
        {"middle start past the end", middle_text("abc", 4, 1), ""},
        {"middle length 0", middle_text("abc", 1, 0), ""},
        {"middle of a whole character", middle_text("a中b", 2, 3), kWide},
        {"middle inside a character", middle_text("a中b", 3, 2), ""},
    };
    for (const TextRow& row : rows) {
        EXPECT_EQ(row.actual, row.expected) << row.label;
    }
}

TEST(TextOps, ReplaceHonoursStartCountAndCase) {
    const std::vector<TextRow> rows = {
        {"all occurrences", replace_text("a-b-c", "-", "+"), "a+b+c"},
        {"replacement defaults to empty", replace_text("a-b-c", "-"), "abc"},
        {"from a start", replace_text("a-b-c", "-", "+", 3), "a-b+c"},
        {"at most count", replace_text("a-b-c", "-", "+", 1, 1), "a+b-c"},
        {"count 0", replace_text("a-b-c", "-", "+", 1, 0), "a-b-c"},
        {"case sensitive by default",
         replace_text("content-type Content-Type", "content-type", "Content-Type"),
         "Content-Type Content-Type"},
        {"case sensitive leaves other spellings", replace_text("CONTENT-TYPE", "content-type", "x"),
         "CONTENT-TYPE"},
        {"without regard to case",
         replace_text("Set-Cookie: SET-COOKIE:a", "set-cookie:", "", 1, std::nullopt, false), " a"},
        {"empty search changes nothing", replace_text("abc", "", "x"), "abc"},
        {"longer replacement", replace_text("aa", "a", "aa"), "aaaa"},
        {"never inside a wide character", replace_text("中", "\xB8", "x"), kWide},
    };
    for (const TextRow& row : rows) {
        EXPECT_EQ(row.actual, row.expected) << row.label;
    }
}

struct SplitRow {
    const char* label;
    std::string text;
    std::string delimiter;
    std::vector<std::string> expected;
};

TEST(TextOps, SplitKeepsInnerEmptyPiecesButNotATrailingOne) {
    const std::vector<SplitRow> rows = {
        {"inner empty piece", "a;;b", ";", {"a", "", "b"}},
        {"trailing delimiter", "a;", ";", {"a"}},
        {"empty text", "", ";", {}},
        {"no delimiter", "abc", ";", {"abc"}},
        {"leading delimiter", ";a", ";", {"", "a"}},
        {"only a delimiter", ";", ";", {""}},
        {"line ends", "a\r\nb\r\n", "\r\n", {"a", "b"}},
        {"empty delimiter", "abc", "", {"abc"}},
        {"wide delimiter", "a中b", kWide, {"a", "b"}},
    };
    for (const SplitRow& row : rows) {
        EXPECT_EQ(split_text(row.text, row.delimiter), row.expected) << row.label;
    }
}

TEST(TextOps, SpacesAreAsciiAndFullWidthSpacesOnly) {
    const std::vector<TextRow> rows = {
        {"trim ASCII spaces", trim_spaces("  a b  "), "a b"},
        {"trim full-width spaces", trim_spaces("　a　"), "a"},
        {"trim mixed spaces", trim_spaces(" 　 x 　 "), "x"},
        {"trim keeps tabs and line ends", trim_spaces("\ta\r\n"), "\ta\r\n"},
        {"trim everything", trim_spaces(" 　 "), ""},
        {"trim keeps a wide character", trim_spaces(" 中 "), kWide},
        {"remove everywhere", remove_spaces(" a　b c "), "abc"},
        {"remove keeps tabs", remove_spaces("a\tb"), "a\tb"},
        {"lower case ASCII only", lower_case("AbC中Z"), "abc中z"},
    };
    for (const TextRow& row : rows) {
        EXPECT_EQ(row.actual, row.expected) << row.label;
    }
}

struct IntegerRow {
    const char* label;
    std::string text;
    std::int32_t expected;
};

TEST(TextOps, TextToIntegerReadsFullWidthFormsAndWraps) {
    const std::vector<IntegerRow> rows = {
        {"plain", "123", 123},
        {"leading white space and a sign", " \t\n-42x", -42},
        {"plus sign", "+7", 7},
        {"no digits", "abc", 0},
        {"empty", "", 0},
        {"stops at the first other character", "1 2", 1},
        {"sign apart from its digits", "- 5", 0},
        {"full-width digits", "１２３", 123},
        {"full-width minus", "－１２", -12},
        {"full-width plus", "＋５", 5},
        {"mixed widths", "1２3", 123},
        {"wraps past 32 bits", "4294967296", 0},
        {"wraps to the smallest value", "2147483648", INT_MIN},
        {"all bits set", "4294967295", -1},
        {"wraps below the smallest value", "-2147483649", INT_MAX},
    };
    for (const IntegerRow& row : rows) {
        EXPECT_EQ(text_to_integer(row.text), row.expected) << row.label;
    }
}

TEST(TextOps, CharacterSizeStopsAtCutSequences) {
    EXPECT_EQ(character_size("中", 0), 3U);
    EXPECT_EQ(character_size("\xE4\xB8", 0), 2U);  // cut at the end of the text
    EXPECT_EQ(character_size("\xE4"
                             "a",
                             0),
              1U);                             // lead byte without continuation
    EXPECT_EQ(character_size("\xB8", 0), 1U);  // stray continuation byte
    EXPECT_EQ(character_size("a", 1), 0U);
}

}  // namespace
}  // namespace qorvex::web
