#include "regex/substitution.h"

namespace qorvex::rx {

namespace {

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

std::size_t digit_value(char c) {
    return static_cast<std::size_t>(c - '0');
}

}  // namespace

void append_substitution(std::string& out, std::string_view replacement, std::string_view subject,
                         const MatchList& matches, std::size_t match) {
    const Span whole = matches.span(match);
    const std::size_t groups = matches.group_count();
    std::size_t i = 0;
    while (i < replacement.size()) {
        const char c = replacement[i];
        if (c != '$' || i + 1 == replacement.size()) {
            out += c;
            ++i;
            continue;
        }
        const char next = replacement[i + 1];
        if (next == '$') {
            out += '$';
            i += 2;
        } else if (next == '&') {
            out += whole.text_in(subject);
            i += 2;
        } else if (next == '`') {
            out += subject.substr(0, whole.begin);
            i += 2;
        } else if (next == '\'') {
            out += subject.substr(whole.end);
            i += 2;
        } else if (is_digit(next)) {
            // Two digits when they name an existing group, else one digit.
            std::size_t digits = 1;
            std::size_t index = digit_value(next);
            if (i + 2 < replacement.size() && is_digit(replacement[i + 2])) {
                const std::size_t two = index * 10 + digit_value(replacement[i + 2]);
                if (two <= groups) {
                    digits = 2;
                    index = two;
                }
            }
            if (index >= 1 && index <= groups) {
                out += matches.span(match, index).text_in(subject);
            } else {
                out += replacement.substr(i, 1 + digits);
            }
            i += 1 + digits;
        } else {
            out += '$';
            ++i;
        }
    }
}

}  // namespace qorvex::rx
