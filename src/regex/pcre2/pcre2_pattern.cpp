#include "regex/pcre2/pcre2_pattern.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

#include "regex/pcre2/jit_stack.h"

namespace qorvex::rx {

namespace {

// One call of pcre2_match may try at most this many starting positions, so
// that a processor-time budget is looked at between calls often enough: each
// position is itself bounded by the match limit.
constexpr std::size_t kWindowBytes = 64;

struct MatchDataDeleter {
    void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};
struct MatchContextDeleter {
    void operator()(pcre2_match_context* context) const { pcre2_match_context_free(context); }
};

bool is_continuation_byte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0U) == 0x80U;
}

// The length of the UTF-8 character at `at`; 1 for a byte that starts no
// valid sequence, so that the scan still moves on.
std::size_t character_length(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    std::size_t length = 1;
    if (lead >= 0xF0U) {
        length = 4;
    } else if (lead >= 0xE0U) {
        length = 3;
    } else if (lead >= 0xC0U) {
        length = 2;
    }
    std::size_t valid = 1;
    while (valid < length && at + valid < text.size() && is_continuation_byte(text[at + valid])) {
        ++valid;
    }
    return valid == length ? length : 1;
}

// The first position at or after `at` where a character begins.
std::size_t character_start(std::string_view text, std::size_t at) {
    while (at < text.size() && is_continuation_byte(text[at])) {
        ++at;
    }
    return at;
}

// Whether a match may begin at a line feed, or be empty there: PCRE2 knows
// the first code unit, or the set of them, for most patterns.
bool may_start_at_line_feed(const pcre2_code* code) {
    std::uint32_t first_type = 0;
    pcre2_pattern_info(code, PCRE2_INFO_FIRSTCODETYPE, &first_type);
    constexpr std::uint32_t kFixedFirstUnit = 1;
    if (first_type == kFixedFirstUnit) {
        std::uint32_t first_unit = 0;
        pcre2_pattern_info(code, PCRE2_INFO_FIRSTCODEUNIT, &first_unit);
        return first_unit == '\n';
    }
    const std::uint8_t* first_units = nullptr;
    pcre2_pattern_info(code, PCRE2_INFO_FIRSTBITMAP, &first_units);
    if (first_units != nullptr) {
        constexpr unsigned kLineFeed = '\n';
        return (first_units[kLineFeed / 8] & (1U << (kLineFeed % 8))) != 0;
    }
    return true;
}

// The last starting position to hand to one call of pcre2_match, from
// `start` on. When its search moves on by itself, PCRE2 treats CR LF as one
// line end and never starts a match between the CR and the LF; ECMAScript
// does (a multi-line ^ matches after the CR). So a window ends before such a
// place, and the next call starts right at it.
std::size_t window_end(std::string_view subject, std::size_t start, bool cut_at_crlf) {
    const std::size_t last = std::min(subject.size(), start + kWindowBytes);
    if (!cut_at_crlf || last == start) {
        return last;
    }
    const std::size_t cr = subject.substr(0, last + 1).find("\r\n", start);
    return cr == std::string_view::npos ? last : cr;
}

bool is_bound_error(int code) {
    return code == PCRE2_ERROR_MATCHLIMIT || code == PCRE2_ERROR_DEPTHLIMIT ||
           code == PCRE2_ERROR_HEAPLIMIT || code == PCRE2_ERROR_JIT_STACKLIMIT;
}

}  // namespace

Pcre2Pattern::Pcre2Pattern(CodePtr code, const Pcre2Settings& settings, SearchBudget budget)
    : m_code(std::move(code)), m_settings(settings), m_budget(budget) {
    std::uint32_t captures = 0;
    pcre2_pattern_info(m_code.get(), PCRE2_INFO_CAPTURECOUNT, &captures);
    m_group_count = captures;
    std::size_t jit_size = 0;
    m_accelerated =
        pcre2_pattern_info(m_code.get(), PCRE2_INFO_JITSIZE, &jit_size) == 0 && jit_size > 0;
    m_may_start_at_line_feed = may_start_at_line_feed(m_code.get());
}

FindStatus Pcre2Pattern::find(std::string_view subject, FindScope scope, MatchList& matches) const {
    matches.reset(m_group_count);
    const std::unique_ptr<pcre2_match_data, MatchDataDeleter> data(
        pcre2_match_data_create_from_pattern(m_code.get(), nullptr));
    const std::unique_ptr<pcre2_match_context, MatchContextDeleter> context(
        pcre2_match_context_create(nullptr));
    if (!data || !context) {
        return FindStatus::Failed;
    }
    pcre2_set_match_limit(context.get(), m_settings.match_limit);
    pcre2_set_depth_limit(context.get(), m_settings.depth_limit);
    if (m_accelerated) {
        pcre2_jit_stack_assign(context.get(), nullptr,
                               thread_jit_stack(m_settings.jit_stack_bytes));
    }

    const auto* text = reinterpret_cast<PCRE2_SPTR>(subject.data());
    const std::size_t length = subject.size();
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data.get());
    std::vector<Span> spans(m_group_count + 1);
    std::optional<ProcessorBudget> budget;
    if (m_budget == SearchBudget::WorkAndProcessorTime) {
        budget.emplace(m_settings.wall_clock, m_settings.processor_clock,
                       m_settings.processor_budget);
    }
    bool first_call = true;

    std::size_t start = 0;
    while (start <= length) {
        if (!first_call && budget && budget->spent()) {
            matches.reset(m_group_count);
            return FindStatus::BoundReached;
        }
        first_call = false;
        const std::size_t last_start = window_end(subject, start, m_may_start_at_line_feed);
        pcre2_set_offset_limit(context.get(), last_start);
        int result = pcre2_match(m_code.get(), text, length, start, 0, data.get(), context.get());
        if (result == PCRE2_ERROR_JIT_STACKLIMIT) {
            // Deep backtracking outgrew the machine-code stack; the interpreter
            // keeps its backtracking on the heap, bounded by the depth limit.
            result = pcre2_match(m_code.get(), text, length, start, PCRE2_NO_JIT, data.get(),
                                 context.get());
        }
        if (result == PCRE2_ERROR_NOMATCH) {
            if (last_start >= length) {
                break;
            }
            start = character_start(subject, last_start + 1);
            continue;
        }
        if (result < 0) {
            matches.reset(m_group_count);
            return is_bound_error(result) ? FindStatus::BoundReached : FindStatus::Failed;
        }
        for (std::size_t group = 0; group <= m_group_count; ++group) {
            const PCRE2_SIZE begin = ovector[2 * group];
            const PCRE2_SIZE end = ovector[2 * group + 1];
            spans[group] = begin == PCRE2_UNSET ? Span{} : Span{begin, end};
        }
        if (spans[0].end < spans[0].begin) {
            // Only \K inside a look-ahead can do this; ECMAScript has no \K.
            matches.reset(m_group_count);
            return FindStatus::Failed;
        }
        matches.add(spans);
        if (scope == FindScope::First) {
            break;
        }
        // ECMAScript's rule, not Perl's: after an empty match the next search
        // starts one character further on, whatever could match at the same place.
        start = spans[0].end;
        if (spans[0].begin == spans[0].end) {
            start += start < length ? character_length(subject, start) : 1;
        }
    }
    return FindStatus::Complete;
}

}  // namespace qorvex::rx
