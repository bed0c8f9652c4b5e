#include "scan/pattern_classes.h"

namespace qorvex::scan {

namespace {

// The texts exactly as the program has always used them. In classes 8, 9
// and 12 each alternative takes one digit and looks ahead at the next, so {3}
// spans four rising or falling digits and {4} five; 9 to 0 and 0 to 9 are no
// steps.
constexpr std::array<PatternClass, kPatternClassCount> kPatternClasses{{
    {1, "AAA", "编辑框2", R"(\d*(\d)\1{2}\d*)"},
    {2, "4A+", "编辑框3", R"(\d*([\d])\1{3,}\d*)"},
    {3, "AABBB", "编辑框4", R"(\d*([\d])\1{1,}([\d])\2{2,}\d*)"},
    {4, "AABB", "编辑框5", R"(\d*(\d)\1(\d)\2\d*)"},
    {5, "AABBCC", "编辑框6", R"(\d*(\d)\1(\d)\2(\d)\3\d*)"},
    {6, "ABCABC", "编辑框7", R"(\d*(\d)(\d)(\d)\1\2\3\d*)"},
    {7, "ABCDABCD", "编辑框8", R"(\d*(\d)(\d)(\d)(\d)\1\2\3\4\d*)"},
    {8, "ABCD+", "编辑框9",
     R"(\d*(?:(?:0(?=1)|1(?=2)|2(?=3)|3(?=4)|4(?=5)|5(?=6)|6(?=7)|7(?=8)|8(?=9)){3,}|(?:9(?=8)|8(?=7)|7(?=6)|6(?=5)|5(?=4)|4(?=3)|3(?=2)|2(?=1)|1(?=0)){3,})\d*)"},
    {9, "ABCDE", "编辑框10",
     R"(\d*(?:(?:0(?=1)|1(?=2)|2(?=3)|3(?=4)|4(?=5)|5(?=6)|6(?=7)|7(?=8)|8(?=9)){4}|(?:9(?=8)|8(?=7)|7(?=6)|6(?=5)|5(?=4)|4(?=3)|3(?=2)|2(?=1)|1(?=0)){4})\d*)"},
    {10, "尾4A/AB/3-1", "编辑框11", R"(\d*(?:(\d)\1(\d)\2|(\d)(\d)\3\4|(\d)\5\5\d)$)"},
    {11, "尾ABCABC", "编辑框12", R"(^(?=\d*(\d)(\d)(\d)\1\2\3$)1[358]\d{9}$)"},
    {12, "尾ABCD", "编辑框13",
     R"(\d*(?:(?:0(?=1)|1(?=2)|2(?=3)|3(?=4)|4(?=5)|5(?=6)|6(?=7)|7(?=8)|8(?=9)){3}|(?:9(?=8)|8(?=7)|7(?=6)|6(?=5)|5(?=4)|4(?=3)|3(?=2)|2(?=1)|1(?=0)){3})\d$)"},
    {13, "尾AAA", "编辑框14", R"(\d{8}(\d)\1\1)"},
    {14, "ABABAB", "编辑框15", R"(\d*(\d)(\d)\1\2\1\2\d*)"},
}};

}  // namespace

const std::array<PatternClass, kPatternClassCount>& pattern_classes() {
    return kPatternClasses;
}

std::string custom_pattern(std::string_view custom_text) {
    std::string pattern = R"(\d*()";
    pattern += custom_text;
    pattern += R"()\d*)";
    return pattern;
}

}  // namespace qorvex::scan
