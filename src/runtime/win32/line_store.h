#pragma once

// The text of a result box held once, with the offset of every line's start
// beside it: a box at a week's volume (24.5 million lines) is read, drawn
// and appended to line by line without walking the whole text. A line ends
// at CR LF, at a lone LF or at a lone CR; offsets are UTF-8 byte offsets.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qorvex::runtime {

class LineStore {
public:
    LineStore() = default;

    const std::string& text() const { return m_text; }
    std::size_t size() const { return m_text.size(); }
    // Never zero: an empty text is one empty line, and a text ending in a
    // line end has an empty last line after it.
    std::size_t line_count() const { return m_starts.size(); }
    std::size_t line_start(std::size_t line) const { return m_starts[line]; }
    // The offset where the line's own text ends, before its line end.
    std::size_t line_end(std::size_t line) const;
    std::size_t line_of(std::size_t offset) const;
    // Whether some line end is a lone LF or a lone CR rather than CR LF.
    bool has_bare_line_ends() const { return m_bare_ends > 0; }

    // Replaces [from, to) with `piece`; only the lines around the change are
    // indexed anew, so appending costs what the piece costs.
    void replace(std::size_t from, std::size_t to, std::string_view piece);
    void append(std::string_view piece) { replace(m_text.size(), m_text.size(), piece); }
    void assign(std::string_view text);

private:
    bool starts_line(std::size_t offset) const;
    bool bare_end_before(std::size_t start) const;

    std::string m_text;
    std::vector<std::size_t> m_starts{0};
    std::size_t m_bare_ends = 0;
};

}  // namespace qorvex::runtime
