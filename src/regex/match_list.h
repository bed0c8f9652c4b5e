#pragma once

// The matches of one search: for every match the span of the whole match and
// of each capture group, kept in one flat array so that a search with many
// matches makes few allocations.

#include <cstddef>
#include <limits>
#include <span>
#include <string_view>
#include <vector>

namespace qorvex::rx {

// Byte offsets [begin, end) into the subject; a group that took no part in
// the match has the unset span.
struct Span {
    static constexpr std::size_t kUnset = std::numeric_limits<std::size_t>::max();

    std::size_t begin = kUnset;
    std::size_t end = kUnset;

    bool is_set() const { return begin != kUnset; }
    std::size_t length() const { return is_set() ? end - begin : 0; }
    // The spanned text of `subject`; empty for the unset span.
    std::string_view text_in(std::string_view subject) const {
        return is_set() ? subject.substr(begin, end - begin) : std::string_view{};
    }
    friend bool operator==(const Span&, const Span&) = default;
};

class MatchList {
public:
    MatchList() = default;

    // Empties the list for matches with `group_count` capture groups.
    void reset(std::size_t group_count);
    // Adds one match: the whole match first, then its groups 1 … group_count.
    void add(std::span<const Span> spans);

    std::size_t size() const { return m_spans.size() / stride(); }
    bool empty() const { return m_spans.empty(); }
    std::size_t group_count() const { return m_group_count; }

    // Group 0 is the whole match; `match` counts from 0.
    Span span(std::size_t match, std::size_t group = 0) const {
        return m_spans[match * stride() + group];
    }

private:
    std::size_t stride() const { return m_group_count + 1; }

    std::size_t m_group_count = 0;
    std::vector<Span> m_spans;
};

}  // namespace qorvex::rx
