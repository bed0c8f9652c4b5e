#include "scan/number_lookup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qorvex::scan {
namespace {

struct ValueCase {
    const char* label;
    const char* text;
    bool negative;
    const char* digits;
};

TEST(NumberValue, ReadsTheLeadingDecimalNumberOfAText) {
    const ValueCase cases[] = {
        {"plain eleven digits", "13012345678", false, "13012345678"},
        {"beyond 32 bits keeps every digit", "99999999999999999999", false, "99999999999999999999"},
        {"leading space and trailing letter", " 13012345678x", false, "13012345678"},
        {"tab, line feed and carriage return skipped", "\t\r\n42", false, "42"},
        {"full-width digits", "１３０１２３４５６７８", false, "13012345678"},
        {"full-width and ASCII digits mixed", "1３0", false, "130"},
        {"plus sign", "+7", false, "7"},
        {"minus sign", "-7", true, "7"},
        {"full-width minus", "－7", true, "7"},
        {"leading zeros dropped", "000123", false, "123"},
        {"minus zero is zero", "-000", false, "0"},
        {"no digits", "abc", false, "0"},
        {"empty", "", false, "0"},
        {"sign without digits", "-", false, "0"},
        {"space after the sign ends the number", "- 5", false, "0"},
        {"full-width space is not white space", "　5", false, "0"},
        {"digits stop at the first other character", "12 34", false, "12"},
    };
    for (const ValueCase& row : cases) {
        SCOPED_TRACE(row.label);
        const NumberValue value = number_value(row.text);
        EXPECT_EQ(value.negative, row.negative);
        EXPECT_EQ(value.digits, row.digits);
    }
}

TEST(NumberValue, ElevenDigitNumbersThatAgreeModulo32BitsStayDifferent) {
    // 13012345678 and 13012345678 + 2^32 wrap to the same 32-bit value.
    EXPECT_NE(number_value("13012345678"), number_value("17307312974"));
    EXPECT_EQ(number_value("013012345678"), number_value("13012345678"));
}

struct LookupCase {
    const char* label;
    std::vector<std::string> lines;
    const char* wanted;
    LookupOutcome expected;
};

LookupOutcome look_up(const std::vector<std::string>& lines, const char* wanted) {
    NumberLookup lookup(wanted);
    for (const std::string& line : lines) {
        if (!lookup.visit(line)) {
            break;
        }
    }
    return lookup.outcome();
}

TEST(NumberLookup, FindsTheFirstLineWithTheWantedValue) {
    const LookupCase cases[] = {
        {"second of three",
         {"13000000001", "13000000002", "13000000003"},
         "13000000002",
         {2, true}},
        {"no such number: every line compared",
         {"13000000001", "13000000002"},
         "13000000009",
         {2, false}},
        {"no lines", {}, "13000000001", {0, false}},
        {"input with leading space and trailing letter",
         {"13000000001", "13000000002"},
         " 13000000002a",
         {2, true}},
        {"full-width input", {"13000000001"}, "１３００００００００１", {1, true}},
        {"line with leading zero", {"013000000001"}, "13000000001", {1, true}},
        {"a line of zeros has value 0", {"5", "000"}, "0", {2, true}},
        {"non-numeric input matches the first line of value 0",
         {"13000000001", "", "5"},
         "abc",
         {2, true}},
        {"a value equal modulo 2^32 is not a match", {"17307312974"}, "13012345678", {1, false}},
        {"the first of two equal lines", {"7", "7"}, "7", {1, true}},
    };
    for (const LookupCase& row : cases) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(look_up(row.lines, row.wanted), row.expected);
    }
}

TEST(NumberLookup, StopsVisitingAtTheMatch) {
    NumberLookup lookup("2");
    EXPECT_TRUE(lookup.visit("1"));
    EXPECT_FALSE(lookup.visit("2"));
    EXPECT_EQ(lookup.outcome(), (LookupOutcome{2, true}));
}

TEST(NumberLookup, CaptionsEndWithTheVerdictOfTheLastLineCompared) {
    using Captions = std::vector<std::string>;
    EXPECT_EQ(lookup_captions({0, false}), Captions{"查询输入自己心仪的号码"});
    EXPECT_EQ(lookup_captions({2, true}),
              (Captions{"查询输入自己心仪的号码", "匹配中...2", "匹配成功，赶紧去申请"}));
    EXPECT_EQ(lookup_captions({3, false}),
              (Captions{"查询输入自己心仪的号码", "匹配中...3", "匹配失败，暂无此号"}));
}

}  // namespace
}  // namespace qorvex::scan
