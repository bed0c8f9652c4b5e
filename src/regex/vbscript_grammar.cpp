#include "regex/vbscript_grammar.h"

#include <cstddef>
#include <optional>
#include <string>
#include <utility>

namespace qorvex::rx {

namespace {

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

bool is_letter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

struct Counted {
    std::size_t end;  // just after the closing brace
    bool in_order;    // the smaller count first
};

// A counted quantifier {n}, {n,} or {n,m} at `at`; anything else that starts
// with a brace is a literal brace.
std::optional<Counted> counted_quantifier(std::string_view pattern, std::size_t at) {
    std::size_t pos = at + 1;
    const auto number = [&]() -> std::optional<unsigned long long> {
        const std::size_t from = pos;
        unsigned long long value = 0;
        constexpr unsigned long long kCap = 1'000'000'000ULL;
        while (pos < pattern.size() && is_digit(pattern[pos])) {
            value = value >= kCap ? kCap : value * 10 + static_cast<unsigned>(pattern[pos] - '0');
            ++pos;
        }
        return pos == from ? std::nullopt : std::optional(value);
    };
    const auto smallest = number();
    if (!smallest) {
        return std::nullopt;
    }
    std::optional<unsigned long long> largest = smallest;
    if (pos < pattern.size() && pattern[pos] == ',') {
        ++pos;
        largest = number();
    }
    if (pos >= pattern.size() || pattern[pos] != '}') {
        return std::nullopt;
    }
    return Counted{pos + 1, !largest || *smallest <= *largest};
}

// What an escape of this letter means in ECMAScript and reads the same in
// PCRE2: classes of characters, line ends, tab, form feed, \x and \u (with
// PCRE2's ALT_BSUX). \b and \B are boundaries outside a class; \c and \v are
// handled on their own.
bool is_shared_letter_escape(char c) {
    switch (c) {
        case 'd':
        case 'D':
        case 's':
        case 'S':
        case 'w':
        case 'W':
        case 'f':
        case 'n':
        case 'r':
        case 't':
        case 'x':
        case 'u':
            return true;
        default:
            return false;
    }
}

bool is_class_escape(char c) {
    return c == 'd' || c == 'D' || c == 's' || c == 'S' || c == 'w' || c == 'W';
}

// "\xhh" for a character below 256, as PCRE2 reads it with ALT_BSUX.
std::string hex_escape(unsigned value) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    return {'\\', 'x', kHex[(value >> 4U) & 15U], kHex[value & 15U]};
}

constexpr unsigned kVerticalTab = 0x0B;
// \cX stands for X's code modulo 32.
constexpr unsigned kControlModulo = 32;

// Walks the pattern as ECMAScript reads it, and spells it anew for PCRE2 on
// the way.
class GrammarCheck {
public:
    explicit GrammarCheck(std::string_view pattern) : m_pattern(pattern) {}

    std::optional<std::string> run() {
        while (m_pos < m_pattern.size()) {
            if (!step()) {
                return std::nullopt;
            }
        }
        if (m_open_groups != 0) {
            return std::nullopt;
        }
        return std::move(m_out);
    }

private:
    char at(std::size_t pos) const { return pos < m_pattern.size() ? m_pattern[pos] : '\0'; }

    bool step() {
        const char c = m_pattern[m_pos];
        switch (c) {
            case '\\':
                return escape();
            case '[':
                return character_class();
            case '(':
                return open_group();
            case ')':
                if (m_open_groups == 0) {
                    return false;
                }
                --m_open_groups;
                return atom(m_pos + 1);
            case '|':
            case '^':
            case '$':
                return assertion(m_pos + 1);
            case '*':
            case '+':
            case '?':
                return quantifier(m_pos + 1);
            case '{':
                if (const auto counted = counted_quantifier(m_pattern, m_pos)) {
                    return counted->in_order && quantifier(counted->end);
                }
                // A brace that opens no count is a brace, which later PCRE2
                // versions would read as "{,n}".
                m_out += "\\{";
                return atom_spelt(m_pos + 1);
            default:
                return atom(m_pos + 1);
        }
    }

    bool escape() {
        if (m_pos + 1 >= m_pattern.size()) {
            return false;  // a lone backslash at the end
        }
        const char next = at(m_pos + 1);
        if (next == 'b' || next == 'B') {
            return assertion(m_pos + 2);
        }
        if (next == 'c' && !is_letter(at(m_pos + 2))) {
            // No control letter follows: the backslash stands for itself and
            // the c is read on its own.
            m_out += "\\\\";
            return atom_spelt(m_pos + 1);
        }
        if (next == 'c') {
            return atom(m_pos + 3);
        }
        m_out += escape_spelling(next);
        return atom_spelt(m_pos + 2);
    }

    // An escape of `next` (not b, B or c) as PCRE2 reads what ECMAScript
    // means: a letter that means nothing to ECMAScript is that letter,
    // where PCRE2 would read \h, \v, \R, \K, \Q, \E, \A, \z, \p and more
    // as escapes of its own.
    static std::string escape_spelling(char next) {
        if (next == 'v') {
            return hex_escape(kVerticalTab);  // PCRE2's \v is any vertical space
        }
        if (is_letter(next) && !is_shared_letter_escape(next)) {
            return std::string(1, next);
        }
        return std::string{'\\', next};
    }

    // A class [...] from the "[" at m_pos. A "]" right after "[" or "[^"
    // closes it: "[]" matches nothing and "[^]" any character, as in
    // ECMAScript. A "[" inside is a plain character, where PCRE2 would read
    // "[:digit:]" as a named class; a "-" next to a class escape is a plain
    // hyphen, where PCRE2 would call the range invalid.
    bool character_class() {
        std::size_t pos = m_pos + 1;
        m_out += '[';
        if (at(pos) == '^') {
            m_out += '^';
            ++pos;
        }
        bool after_class_escape = false;
        while (pos < m_pattern.size()) {
            const char c = m_pattern[pos];
            if (c == ']') {
                m_out += ']';
                return atom_spelt(pos + 1);
            }
            if (c == '\\') {
                if (pos + 1 >= m_pattern.size()) {
                    return false;
                }
                const char next = m_pattern[pos + 1];
                after_class_escape = is_class_escape(next);
                pos += class_escape(pos);
                continue;
            }
            const bool hyphen_by_class_escape =
                c == '-' && at(pos + 1) != ']' &&
                (after_class_escape || (at(pos + 1) == '\\' && is_class_escape(at(pos + 2))));
            if (c == '[' || hyphen_by_class_escape) {
                m_out += '\\';
            }
            m_out += c;
            after_class_escape = false;
            ++pos;
        }
        return false;  // the class never closes
    }

    // Writes the escape at `pos` inside a class and gives its length.
    std::size_t class_escape(std::size_t pos) {
        const char next = m_pattern[pos + 1];
        if (next == 'b') {
            m_out += "\\b";  // a backspace in both
            return 2;
        }
        if (next == 'c') {
            const char control = at(pos + 2);
            if (is_letter(control) || is_digit(control) || control == '_') {
                // Inside a class, a digit or "_" also makes a control character.
                m_out += hex_escape(static_cast<unsigned char>(control) % kControlModulo);
                return 3;
            }
            m_out += "\\\\";
            return 1;
        }
        m_out += escape_spelling(next);
        return 2;
    }

    bool open_group() {
        if (at(m_pos + 1) != '?') {
            ++m_open_groups;
            return assertion(m_pos + 1);
        }
        // Only (?:…), (?=…) and (?!…): every other "(?" is a later or a Perl construct.
        const char kind = at(m_pos + 2);
        if (kind != ':' && kind != '=' && kind != '!') {
            return false;
        }
        ++m_open_groups;
        return assertion(m_pos + 3);
    }

    // Copies the pattern up to `next` as it is.
    void copy_to(std::size_t next) { m_out.append(m_pattern.substr(m_pos, next - m_pos)); }

    // Something a quantifier may follow ends just before `next`.
    bool atom(std::size_t next) {
        copy_to(next);
        return atom_spelt(next);
    }

    // The same, already written out in PCRE2's spelling.
    bool atom_spelt(std::size_t next) {
        m_pos = next;
        m_can_repeat = true;
        return true;
    }

    // Something no quantifier may follow: an anchor, a boundary, the start of
    // a group or alternative.
    bool assertion(std::size_t next) {
        copy_to(next);
        m_pos = next;
        m_can_repeat = false;
        return true;
    }

    // A quantifier ends just before `next`; a "?" after it makes it lazy, and
    // nothing else may repeat it: that is how "a++" and "a{2}+" fail.
    bool quantifier(std::size_t next) {
        if (!m_can_repeat) {
            return false;
        }
        next = at(next) == '?' ? next + 1 : next;
        copy_to(next);
        m_pos = next;
        m_can_repeat = false;
        return true;
    }

    std::string_view m_pattern;
    std::string m_out;
    std::size_t m_pos = 0;
    std::size_t m_open_groups = 0;
    bool m_can_repeat = false;
};

}  // namespace

bool follows_vbscript_grammar(std::string_view pattern) {
    return perl_spelling_of(pattern).has_value();
}

std::optional<std::string> perl_spelling_of(std::string_view pattern) {
    return GrammarCheck(pattern).run();
}

}  // namespace qorvex::rx
