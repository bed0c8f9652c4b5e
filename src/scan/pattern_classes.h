#pragma once

// The fourteen lucky-number pattern classes, in the order in which the
// classification pass runs them, and the custom pattern that follows them.
// Every class pattern begins with "\d*", "\d{8}" or "^", and the subject holds
// one number per line, so each match is one whole listed number.

#include <array>
#include <string>
#include <string_view>

namespace qorvex::scan {

struct PatternClass {
    int number;                   // 1 … 14, as the pattern grid counts them
    std::string_view caption;     // shown on the check box above the output box
    std::string_view output_box;  // the edit box that lists the class's numbers
    std::string_view pattern;
};

inline constexpr int kPatternClassCount = 14;

const std::array<PatternClass, kPatternClassCount>& pattern_classes();

// The custom pattern: the user's text from 自定义匹配, inserted unchanged, so
// any regular-expression syntax in it takes effect.
inline constexpr std::string_view kCustomTextBox = "自定义匹配";
inline constexpr std::string_view kCustomOutputBox = "编辑框16";
std::string custom_pattern(std::string_view custom_text);

}  // namespace qorvex::scan
