
#include "web/text_ops.h"

namespace qorvex::web {

namespace {

// Full-width forms U+FF0B (plus), U+FF0D (minus) and U+FF10..U+FF19 (digits)
// share the first two bytes in UTF-8; the third byte tells them apart.
constexpr std::string_view kFullWidthPrefix = "\xEF\xBC";
constexpr unsigned char kFullWidthPlus = 0x8B;
constexpr unsigned char kFullWidthMinus = 0x8D;
constexpr unsigned char kFullWidthZero = 0x90;
constexpr unsigned char kFullWidthNine = 0x99;

std::string with_ascii_digits_and_signs(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t size = character_size(text, at);
        const std::string_view character = text.substr(at, size);
        if (size == 3 && character.starts_with(kFullWidthPrefix)) {
            const auto last = static_cast<unsigned char>(character[2]);
            if (last >= kFullWidthZero && last <= kFullWidthNine) {
                result.push_back(static_cast<char>('0' + (last - kFullWidthZero)));
            } else if (last == kFullWidthPlus) {
                result.push_back('+');
            } else if (last == kFullWidthMinus) {
                result.push_back('-');
            } else {
                result.append(character);
            }
        } else {
            result.append(character);
        }
        at += size;
    }
    return result;
}

bool is_white_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

std::int32_t text_to_integer(std::string_view text) {
    const std::string ascii = with_ascii_digits_and_signs(text);
    std::size_t at = 0;
    while (at < ascii.size() && is_white_space(ascii[at])) {
        ++at;
    }
    bool negative = false;
    if (at < ascii.size() && (ascii[at] == '+' || ascii[at] == '-')) {
        negative = ascii[at] == '-';
        ++at;
    }
    // Unsigned arithmetic wraps by definition; the final conversion to a
    // signed 32-bit value is modular as well.
    std::uint32_t value = 0;
    while (at < ascii.size() && ascii[at] >= '0' && ascii[at] <= '9') {
        value = value * 10U + static_cast<std::uint32_t>(ascii[at] - '0');
        ++at;
    }
    if (negative) {
        value = 0U - value;
    }
    return static_cast<std::int32_t>(value);
}

}  // namespace qorvex::web
