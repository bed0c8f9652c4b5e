#include "regex/vbscript/vbscript_engine.h"

#include <algorithm>
#include <atomic>
#include <string>
#include <utility>
#include <vector>

#include "regex/vbscript/search_thread.h"

namespace qorvex::rx {

namespace {

// The UTF-16 text of a UTF-8 subject, with the byte offset where each UTF-16
// unit's character starts (one more entry for the end).
struct WideSubject {
    std::wstring text;
    std::vector<std::size_t> offsets;
};

constexpr char32_t kReplacementCharacter = 0xFFFD;

bool continuation(unsigned char byte) {
    return (byte & 0xC0U) == 0x80U;
}

// The character at `at` and its length in bytes; a byte that starts no
// well-formed character stands for itself as U+FFFD.
std::pair<char32_t, std::size_t> decode_at(std::string_view utf8, std::size_t at) {
    const auto lead = static_cast<unsigned char>(utf8[at]);
    std::size_t length = 0;
    char32_t value = 0;
    if (lead < 0x80U) {
        return {lead, 1};
    } else if ((lead & 0xE0U) == 0xC0U) {
        length = 2;
        value = lead & 0x1FU;
    } else if ((lead & 0xF0U) == 0xE0U) {
        length = 3;
        value = lead & 0x0FU;
    } else if ((lead & 0xF8U) == 0xF0U) {
        length = 4;
        value = lead & 0x07U;
    } else {
        return {kReplacementCharacter, 1};
    }
    if (at + length > utf8.size()) {
        return {kReplacementCharacter, 1};
    }
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(utf8[at + i]);
        if (!continuation(next)) {
            return {kReplacementCharacter, 1};
        }
        value = (value << 6U) | (next & 0x3FU);
    }
    constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < kSmallest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return {kReplacementCharacter, 1};
    }
    return {value, length};
}

WideSubject widen(std::string_view utf8) {
    WideSubject wide;
    wide.text.reserve(utf8.size());
    wide.offsets.reserve(utf8.size() + 1);
    for (std::size_t at = 0; at < utf8.size();) {
        const auto [value, length] = decode_at(utf8, at);
        if (value > 0xFFFF) {
            const char32_t above = value - 0x10000;
            wide.text.push_back(static_cast<wchar_t>(0xD800 + (above >> 10U)));
            wide.text.push_back(static_cast<wchar_t>(0xDC00 + (above & 0x3FFU)));
            wide.offsets.insert(wide.offsets.end(), 2, at);
        } else {
            wide.text.push_back(static_cast<wchar_t>(value));
            wide.offsets.push_back(at);
        }
        at += length;
    }
    wide.offsets.push_back(utf8.size());
    return wide;
}

std::wstring widen_pattern(std::string_view utf8) {
    return widen(utf8).text;
}

class VbscriptPattern final : public CompiledPattern {
public:
    VbscriptPattern(std::shared_ptr<SearchThread> searcher, std::wstring pattern,
                    CompileOptions options)
        : m_searcher(std::move(searcher)),
          m_pattern(std::move(pattern)),
          m_options(options),
          m_group_count(count_capture_groups(m_pattern)) {}

    std::size_t group_count() const override { return m_group_count; }
    bool accelerated() const override { return false; }

    FindStatus find(std::string_view subject, FindScope scope, MatchList& matches) const override {
        return search(subject, scope, m_options.budget, matches);
    }

    // The component checks a pattern when it first runs it; over the empty
    // subject that takes no time, whatever the pattern.
    bool accepted() const {
        MatchList probe;
        return search({}, FindScope::First, SearchBudget::Work, probe) == FindStatus::Complete;
    }

private:
    FindStatus search(std::string_view subject, FindScope scope, SearchBudget budget,
                      MatchList& matches) const {
        matches.reset(m_group_count);
        if (m_given_up) {
            // It would run as long again, and leave another thread busy.
            return FindStatus::BoundReached;
        }
        WideSubject wide = widen(subject);
        SearchResult result =
            m_searcher->search({m_pattern, !m_options.case_sensitive, m_options.multi_line,
                                scope == FindScope::All, wide.text},
                               budget);
        if (result.outcome == SearchOutcome::OutOfTime) {
            m_given_up = true;
            return FindStatus::BoundReached;
        }
        if (result.outcome == SearchOutcome::NotStarted) {
            return FindStatus::BoundReached;
        }
        if (result.outcome == SearchOutcome::Failed) {
            return FindStatus::Failed;
        }
        std::vector<Span> spans(m_group_count + 1);
        for (const VbscriptMatch& match : result.matches) {
            std::fill(spans.begin(), spans.end(), Span{});
            const auto first = static_cast<std::size_t>(std::max(match.first_index, 0L));
            const auto last = std::min(first + static_cast<std::size_t>(std::max(match.length, 0L)),
                                       wide.text.size());
            if (first > wide.text.size()) {
                return FindStatus::Failed;
            }
            spans[0] = {wide.offsets[first], wide.offsets[last]};
            const std::size_t groups = std::min(match.groups.size(), m_group_count);
            for (std::size_t k = 0; k < groups; ++k) {
                if (!match.groups[k]) {
                    continue;  // the group took no part in the match
                }
                const std::size_t at = wide.text.find(*match.groups[k], first);
                if (at != std::wstring::npos) {
                    spans[k + 1] = {wide.offsets[at], wide.offsets[at + match.groups[k]->size()]};
                }
            }
            matches.add(spans);
        }
        return FindStatus::Complete;
    }

    std::shared_ptr<SearchThread> m_searcher;
    std::wstring m_pattern;
    CompileOptions m_options;
    std::size_t m_group_count;
    // Set once a search of this pattern was given up at its budget.
    mutable std::atomic<bool> m_given_up = false;
};

class VbscriptEngine final : public RegexEngine {
public:
    explicit VbscriptEngine(VbscriptSettings settings)
        : m_searcher(std::make_shared<SearchThread>(settings.processor_budget,
                                                    std::move(settings.clocks))) {}

protected:
    std::shared_ptr<const CompiledPattern> compile_uncached(std::string_view pattern,
                                                            CompileOptions options) override {
        auto compiled =
            std::make_shared<VbscriptPattern>(m_searcher, widen_pattern(pattern), options);
        return compiled->accepted() ? compiled : nullptr;
    }

private:
    std::shared_ptr<SearchThread> m_searcher;
};

}  // namespace

std::unique_ptr<RegexEngine> make_vbscript_engine(VbscriptSettings settings) {
    return std::make_unique<VbscriptEngine>(std::move(settings));
}

std::size_t count_capture_groups(std::wstring_view pattern) {
    std::size_t groups = 0;
    bool in_class = false;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const wchar_t c = pattern[i];
        if (c == L'\\') {
            ++i;  // the escaped character stands for itself
        } else if (in_class) {
            in_class = c != L']';
        } else if (c == L'[') {
            in_class = true;
        } else if (c == L'(' && (i + 1 >= pattern.size() || pattern[i + 1] != L'?')) {
            ++groups;
        }
    }
    return groups;
}

}  // namespace qorvex::rx
