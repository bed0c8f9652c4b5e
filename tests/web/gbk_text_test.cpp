#include "web/gbk_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qorvex::web {
namespace {

// 版本【V20190501】 as a GBK file holds it.
const std::string kGbkVersionLine =
    "\xB0\xE6\xB1\xBE\xA1\xBE"
    "V20190501"
    "\xA1\xBF";

struct Utf8Row {
    const char* label;
    std::string text;
    bool valid;
};

TEST(GbkText, TellsWellFormedUtf8) {
    const std::vector<Utf8Row> rows = {
        {"empty", "", true},
        {"ASCII", "V20190423\r\n", true},
        {"Chinese in UTF-8", "版本【V20190423】", true},
        {"four-byte character", "\xF0\x9F\x98\x80", true},
        {"GBK bytes", kGbkVersionLine, false},
        {"cut sequence at the end", "a\xE4\xB8", false},
        {"stray continuation byte", "a\x80", false},
        {"overlong slash", "\xC0\xAF", false},
        {"surrogate", "\xED\xA0\x80", false},
        {"above U+10FFFF", "\xF4\x90\x80\x80", false},
    };
    for (const Utf8Row& row : rows) {
        EXPECT_EQ(is_valid_utf8(row.text), row.valid) << row.label;
    }
}

struct ConvertRow {
    const char* label;
    std::string text;
    std::string utf8;
};

TEST(GbkText, ReadsGbkAndKeepsUtf8AsItIs) {
    const std::vector<ConvertRow> rows = {
        {"GBK version line", kGbkVersionLine, "版本【V20190501】"},
        {"GBK with line ends", "\xB8\xFC\xD0\xC2\r\n" + kGbkVersionLine + "\r\n",
         "更新\r\n版本【V20190501】\r\n"},
        {"UTF-8 is taken as it is", "版本【V20190501】", "版本【V20190501】"},
        {"ASCII", "V20190423", "V20190423"},
#ifdef _WIN32
        // Code page 936 maps 0xFF to a private-use character (U+F8F5).
        {"a byte that starts no GBK character",
         "a\xFF"
         "b",
         "a\xEF\xA3\xB5"
         "b"},
#else
        {"a byte that starts no GBK character",
         "a\xFF"
         "b",
         "a\xEF\xBF\xBD"
         "b"},
#endif
        {"a GBK character cut at the end", "a\xB0", "a\xEF\xBF\xBD"},
    };
    for (const ConvertRow& row : rows) {
        EXPECT_EQ(utf8_of_gbk(row.text), row.utf8) << row.label;
    }
}

}  // namespace
}  // namespace qorvex::web
