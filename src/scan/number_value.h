#pragma once

// The numeric value of a text as the number lookup reads it: leading white
// space is skipped, an optional sign is taken, then decimal digits up to the
// first other character; full-width digits and signs count as their ASCII
// forms and no digits give 0. Unlike the 32-bit text-to-integer conversion,
// the value is kept exactly, however many digits it has, so eleven-digit
// phone numbers compare as the numbers they are.

#include <cstddef>
#include <string>
#include <string_view>

namespace qorvex::scan {

// The ASCII form of the character that starts at byte `index`, with
// full-width digits, signs and full stop mapped to theirs (0 for any other
// non-ASCII character), and its size in bytes.
struct Symbol {
    char ascii = 0;
    std::size_t size = 1;
};
Symbol symbol_at(std::string_view text, std::size_t index);

bool is_ascii_digit(char c);

struct NumberValue {
    bool negative = false;  // never set for zero
    std::string digits;     // no leading zeros; "0" for zero

    friend bool operator==(const NumberValue&, const NumberValue&) = default;
};

// Reads `text` into `value`, reusing its storage (the lookup reads millions
// of lines one after another). Returns the byte index just past what was
// read: white space, sign and digits.
std::size_t read_number_value(std::string_view text, NumberValue& value);

NumberValue number_value(std::string_view text);

}  // namespace qorvex::scan
