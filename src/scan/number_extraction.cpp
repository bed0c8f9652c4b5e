#include "scan/number_extraction.h"

namespace qorvex::scan {

ExtractionChoice extraction_choice(bool all_digits, bool without_4, bool without_4_and_7) {
    if (all_digits) {
        return ExtractionChoice::AllDigits;
    }
    if (without_4) {
        return ExtractionChoice::Without4;
    }
    if (without_4_and_7) {
        return ExtractionChoice::Without4And7;
    }
    return ExtractionChoice::None;
}

std::optional<std::string_view> extraction_pattern(ExtractionChoice choice) {
    switch (choice) {
        case ExtractionChoice::AllDigits:
            return "1[0-9]{10}";
        case ExtractionChoice::Without4:
            return "(0|1|2|3|5|6|7|8|9){11}";
        case ExtractionChoice::Without4And7:
            return "(0|1|2|3|5|6|8|9){11}";
        case ExtractionChoice::None:
            break;
    }
    return std::nullopt;
}

std::vector<std::string> extract_numbers(rx::RegexObject& regex, ExtractionChoice choice,
                                         std::string_view subject) {
    std::vector<std::string> numbers;
    const auto pattern = extraction_pattern(choice);
    if (!pattern || !regex.create(*pattern, subject)) {
        return numbers;
    }
    const int count = regex.match_count();
    numbers.reserve(static_cast<std::size_t>(count));
    for (int i = 1; i <= count; ++i) {
        numbers.emplace_back(regex.match_view(i));
    }
    return numbers;
}

std::string listing_text(const std::vector<std::string>& numbers) {
    std::string text;
    for (const auto& number : numbers) {
        text += number;
        text += "\r\n";
    }
    return text;
}

}  // namespace qorvex::scan
