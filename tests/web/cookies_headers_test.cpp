#include "web/cookies_headers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qorvex::web {
namespace {

struct TextRow {
    const char* label;
    std::string actual;
    std::string expected;
};

void expect_rows(const std::vector<TextRow>& rows) {
    for (const TextRow& row : rows) {
        EXPECT_EQ(row.actual, row.expected) << row.label;
    }
}

TEST(CookiesHeaders, HeaderLinesSplitAtTheFirstColon) {
    expect_rows({
        {"name", header_name("User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)"),
         "User-Agent"},
        {"value", header_value("User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)"),
         "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)"},
        {"value keeps a later colon", header_value("Referer: https://x/y"), "https://x/y"},
        {"name without a colon", header_name("no colon here"), ""},
        {"value without a colon", header_value("no colon here"), ""},
        {"full-width spaces trimmed", header_name("　Accept　:　*/*　"), "Accept"},
        {"full-width spaces trimmed from the value", header_value("　Accept　:　*/*　"), "*/*"},
        {"empty value", header_value("Cookie:"), ""},
        {"empty name", header_name(": v"), ""},
    });
}

TEST(CookiesHeaders, TextBeforeCountsFromTheBeginning) {
    expect_rows({
        {"before the separator", text_before("Set-Cookie: a=1", ": "), "Set-Cookie"},
        {"separator absent", text_before("Set-Cookie:a=1", ": "), ""},
        {"start skips an early separator", text_before("a;b;c", ";", 3), "a;b"},
        {"start below 1", text_before("a;b", ";", -4), "a"},
        {"ignore case", text_before("abXcd", "x", 1, true), "ab"},
        {"case counts by default", text_before("abXcd", "x"), ""},
    });
}

TEST(CookiesHeaders, TextBetweenTakesTheFirstPairOfMarkers) {
    expect_rows({
        {"leading space kept", text_between("Set-Cookie: a=1; path=/", "Set-Cookie:", ";"), " a=1"},
        {"quote marker", text_between("x=\"v\" y", "#引号", "#引号"), "v"},
        {"quote marker inside a marker", text_between("id=\"7\";", "id=#引号", "#引号;"), "7"},
        {"left marker absent", text_between("abc", "x", "c"), ""},
        {"right marker absent", text_between("abc", "a", "x"), ""},
        {"right marker at once", text_between("abc", "a", "b"), ""},
        {"from a start", text_between("[1][2]", "[", "]", 2), "2"},
        {"ignore case", text_between("<B>x</B>", "<b>", "</b>", 0, true), "x"},
        {"version text", text_between("版本【V20190501】\r\n", "版本【", "】"), "V20190501"},
    });
}

struct MergeRow {
    const char* label;
    std::string sent;
    std::string received;
    std::string expected;
};

TEST(CookiesHeaders, CookieMergePutsTheServersCookiesFirst) {
    const std::vector<MergeRow> rows = {
        {"received wins over sent", "a=1; b=2", "b=3", "b=3; a=1"},
        {"deleted cookie disappears", "a=1", "a=deleted", ""},
        {"spaces removed", "x = 1", "", "x=1"},
        {"both empty", "", "", ""},
        {"nothing sent", "", "a=1; b=2", "a=1; b=2"},
        {"first of repeated sent names", "a=1;a=2", "", "a=1"},
        {"semicolons without spaces", "a=1;b=2", "c=3;d=4", "c=3; d=4; a=1; b=2"},
        {"repeated received items once", "", "a=1; a=1", "a=1"},
        {"full-width spaces removed", "k　=　v", "", "k=v"},
        {"item without a value", "flag", "a=1", "a=1; flag"},
    };
    for (MergeRow row : rows) {
        const std::string merged = cookie_merge(row.sent, row.received);
        EXPECT_EQ(merged, row.expected) << row.label;
        EXPECT_EQ(row.sent, row.expected) << row.label << " (first argument)";
    }
}

TEST(CookiesHeaders, CookieMergeRemovesSpacesFromBothArguments) {
    std::string sent = "a = 1";
    std::string received = "b = 2; c=3";
    cookie_merge(sent, received);
    EXPECT_EQ(received, "b=2;c=3");
    EXPECT_EQ(sent, "b=2; c=3; a=1");
}

TEST(CookiesHeaders, CookieNamesAndLists) {
    expect_rows({
        {"name before '='", cookie_name(" sid = x=y"), "sid"},
        {"whole item without '='", cookie_name(" flag "), "flag"},
    });
    const std::vector<std::string> items = {"a=1", "b", " c =3"};
    EXPECT_TRUE(cookie_list_has(items, "b"));
    EXPECT_TRUE(cookie_list_has(items, "c"));
    EXPECT_FALSE(cookie_list_has(items, "A"));
    EXPECT_FALSE(cookie_list_has({}, ""));
    EXPECT_EQ(index_of_item(items, "b"), 2);
    EXPECT_EQ(index_of_item(items, "B"), -1);
    EXPECT_EQ(index_of_item({"x", "x"}, "x"), 1);
}

TEST(CookiesHeaders, DedupeKeepsFirstOccurrencesInOrder) {
    expect_rows({
        {"items", dedupe_items("a; b; a", "; ", true), "a; b"},
        {"no repeats", dedupe_items("a; b", "; ", true), "a; b"},
        {"empty text", dedupe_items("", "; ", true), ""},
        {"characters", dedupe_items("abca", "", false), "abc"},
        {"characters with a delimiter", dedupe_items("中a中", ",", false), "中,a"},
        {"line ends stay whole", dedupe_items("\r\n\r\nx", "|", false), "\r\n|x"},
    });
    EXPECT_EQ(split_chars("a中\r\nb\r"), (std::vector<std::string>{"a", "中", "\r\n", "b", "\r"}));
    EXPECT_TRUE(split_chars("").empty());
}

}  // namespace
}  // namespace qorvex::web
