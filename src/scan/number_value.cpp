#include "scan/number_value.h"

namespace qorvex::scan {
namespace {

// Full-width digits U+FF10..U+FF19, the signs U+FF0B and U+FF0D and the
// full stop U+FF0E share the UTF-8 lead bytes EF BC.
constexpr unsigned char kFullWidthLead1 = 0xEF;
constexpr unsigned char kFullWidthLead2 = 0xBC;
constexpr unsigned char kFullWidthZero = 0x90;
constexpr unsigned char kFullWidthNine = 0x99;
constexpr unsigned char kFullWidthPlus = 0x8B;
constexpr unsigned char kFullWidthMinus = 0x8D;
constexpr unsigned char kFullWidthStop = 0x8E;
constexpr std::size_t kFullWidthSize = 3;

bool is_white_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

}  // namespace

bool is_ascii_digit(char c) {
    return c >= '0' && c <= '9';
}

Symbol symbol_at(std::string_view text, std::size_t index) {
    const auto byte = static_cast<unsigned char>(text[index]);
    if (byte < 0x80) {
        return {text[index], 1};
    }
    if (byte != kFullWidthLead1 || index + 2 >= text.size() ||
        static_cast<unsigned char>(text[index + 1]) != kFullWidthLead2) {
        return {0, 1};
    }
    const auto last = static_cast<unsigned char>(text[index + 2]);
    if (last >= kFullWidthZero && last <= kFullWidthNine) {
        return {static_cast<char>('0' + (last - kFullWidthZero)), kFullWidthSize};
    }
    switch (last) {
        case kFullWidthPlus:
            return {'+', kFullWidthSize};
        case kFullWidthMinus:
            return {'-', kFullWidthSize};
        case kFullWidthStop:
            return {'.', kFullWidthSize};
        default:
            return {0, 1};
    }
}

std::size_t read_number_value(std::string_view text, NumberValue& value) {
    value.negative = false;
    value.digits.clear();
    std::size_t index = 0;
    Symbol symbol;
    while (index < text.size() && is_white_space((symbol = symbol_at(text, index)).ascii)) {
        index += symbol.size;
    }
    if (index < text.size()) {
        symbol = symbol_at(text, index);
        if (symbol.ascii == '+' || symbol.ascii == '-') {
            value.negative = symbol.ascii == '-';
            index += symbol.size;
        }
    }
    while (index < text.size() && is_ascii_digit((symbol = symbol_at(text, index)).ascii)) {
        if (symbol.ascii != '0' || !value.digits.empty()) {
            value.digits.push_back(symbol.ascii);
        }
        index += symbol.size;
    }
    if (value.digits.empty()) {
        value.digits = "0";
        value.negative = false;
    }
    return index;
}

NumberValue number_value(std::string_view text) {
    NumberValue value;
    read_number_value(text, value);
    return value;
}

}  // namespace qorvex::scan
