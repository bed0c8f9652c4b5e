#include "regex/vbscript_grammar.h"

#include <cstddef>
#include <optional>

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

// The end of the class that opens at `at` (just after its "]"), or nothing
// when it never closes. A "]" right after "[" or "[^" closes the class: "[]"
// matches nothing and "[^]" any character, as in ECMAScript.
std::optional<std::size_t> class_end(std::string_view pattern, std::size_t at) {
    std::size_t pos = at + 1;
    if (pos < pattern.size() && pattern[pos] == '^') {
        ++pos;
    }
    while (pos < pattern.size()) {
        if (pattern[pos] == ']') {
            return pos + 1;
        }
        pos += pattern[pos] == '\\' ? std::size_t{2} : std::size_t{1};
    }
    return std::nullopt;
}

class GrammarCheck {
public:
    explicit GrammarCheck(std::string_view pattern) : m_pattern(pattern) {}

    bool run() {
        while (m_pos < m_pattern.size()) {
            if (!step()) {
                return false;
            }
        }
        return m_open_groups == 0;
    }

private:
    char at(std::size_t pos) const { return pos < m_pattern.size() ? m_pattern[pos] : '\0'; }

    bool step() {
        const char c = m_pattern[m_pos];
        switch (c) {
            case '\\':
                return escape();
            case '[': {
                const auto end = class_end(m_pattern, m_pos);
                return end && atom(*end);
            }
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
                return atom(m_pos + 1);
            default:
                return atom(m_pos + 1);
        }
    }

    bool escape() {
        const char next = at(m_pos + 1);
        if (m_pos + 1 >= m_pattern.size()) {
            return false;  // a lone backslash at the end
        }
        if (next == 'b' || next == 'B') {
            return assertion(m_pos + 2);
        }
        if (next == 'c' && !is_letter(at(m_pos + 2))) {
            // No control letter follows: the backslash stands for itself and
            // the c is read on its own.
            return atom(m_pos + 1);
        }
        return atom(m_pos + (next == 'c' ? 3 : 2));
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

    // Something a quantifier may follow ends just before `next`.
    bool atom(std::size_t next) {
        m_pos = next;
        m_can_repeat = true;
        return true;
    }

    // Something no quantifier may follow: an anchor, a boundary, the start of
    // a group or alternative.
    bool assertion(std::size_t next) {
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
        m_pos = at(next) == '?' ? next + 1 : next;
        m_can_repeat = false;
        return true;
    }

    std::string_view m_pattern;
    std::size_t m_pos = 0;
    std::size_t m_open_groups = 0;
    bool m_can_repeat = false;
};

}  // namespace

bool follows_vbscript_grammar(std::string_view pattern) {
    return GrammarCheck(pattern).run();
}

}  // namespace qorvex::rx
