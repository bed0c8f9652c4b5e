#pragma once

// Pulls phone numbers out of a text with the extraction pattern that the
// three radio buttons of 通用设置 choose. Matches are taken wherever they
// occur, also inside a longer run of digits, in the order of the text, and
// duplicates stay.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "regex/regex_object.h"

namespace qorvex::scan {

enum class ExtractionChoice {
    None,          // no radio button checked: no numbers at all
    AllDigits,     // 单选框1 "包含所有数字": a 1 followed by ten digits
    Without4,      // 单选框2 "不带4": eleven digits, none of them 4
    Without4And7,  // 单选框3 "不带4和7": eleven digits without 4 and 7
};

inline constexpr std::string_view kAllDigitsRadio = "单选框1";
inline constexpr std::string_view kWithout4Radio = "单选框2";
inline constexpr std::string_view kWithout4And7Radio = "单选框3";

// The first checked button, tested in the order 单选框1, 单选框2, 单选框3.
ExtractionChoice extraction_choice(bool all_digits, bool without_4, bool without_4_and_7);

// No pattern for ExtractionChoice::None.
std::optional<std::string_view> extraction_pattern(ExtractionChoice choice);

// The numbers of `subject`, one per extraction match; none when no pattern
// is chosen. Leaves the regex object holding the extraction's matches.
std::vector<std::string> extract_numbers(rx::RegexObject& regex, ExtractionChoice choice,
                                         std::string_view subject);

// The numbers as the output boxes list them: each followed by "\r\n".
std::string listing_text(const std::vector<std::string>& numbers);

}  // namespace qorvex::scan
