#include "runtime/win32/line_store.h"

#include <algorithm>

namespace qorvex::runtime {

std::size_t LineStore::line_end(std::size_t line) const {
    if (line + 1 >= m_starts.size()) {
        return m_text.size();
    }
    const std::size_t next = m_starts[line + 1];
    const bool crlf = m_text[next - 1] == '\n' && next >= 2 && m_text[next - 2] == '\r' &&
                      next - 2 >= m_starts[line];
    return crlf ? next - 2 : next - 1;
}

std::size_t LineStore::line_of(std::size_t offset) const {
    const auto after = std::upper_bound(m_starts.begin(), m_starts.end(), offset);
    return static_cast<std::size_t>(after - m_starts.begin()) - 1;
}

// A line starts after an LF, and after a CR that no LF follows. A CR that
// ends the text counts as a line end until an LF is appended to it.
bool LineStore::starts_line(std::size_t offset) const {
    if (offset == 0 || offset > m_text.size()) {
        return false;
    }
    const char before = m_text[offset - 1];
    return before == '\n' ||
           (before == '\r' && (offset == m_text.size() || m_text[offset] != '\n'));
}

bool LineStore::bare_end_before(std::size_t start) const {
    return m_text[start - 1] == '\r' || start < 2 || m_text[start - 2] != '\r';
}

void LineStore::replace(std::size_t from, std::size_t to, std::string_view piece) {
    to = std::min(to, m_text.size());
    from = std::min(from, to);
    // Whether an offset starts a line depends on the two bytes around it, so
    // the starts from `from` to one past `to` are found anew; those after
    // that only move.
    auto first = std::lower_bound(m_starts.begin() + 1, m_starts.end(), from);
    auto last = std::upper_bound(first, m_starts.end(), to + 1);
    for (auto it = first; it != last; ++it) {
        m_bare_ends -= bare_end_before(*it) ? 1U : 0U;
    }
    const std::size_t first_index = static_cast<std::size_t>(first - m_starts.begin());
    const std::size_t gone = static_cast<std::size_t>(last - first);
    for (auto it = last; it != m_starts.end(); ++it) {
        *it = *it - to + from + piece.size();
    }
    m_text.replace(from, to - from, piece);
    std::vector<std::size_t> fresh;
    const std::size_t scan_end = std::min(from + piece.size() + 1, m_text.size());
    for (std::size_t offset = std::max<std::size_t>(from, 1); offset <= scan_end; ++offset) {
        if (starts_line(offset)) {
            fresh.push_back(offset);
            m_bare_ends += bare_end_before(offset) ? 1U : 0U;
        }
    }
    // Appending, the usual case, leaves nothing after the change to move.
    const auto at = m_starts.begin() + static_cast<std::ptrdiff_t>(first_index);
    if (gone >= fresh.size()) {
        std::copy(fresh.begin(), fresh.end(), at);
        m_starts.erase(at + static_cast<std::ptrdiff_t>(fresh.size()),
                       at + static_cast<std::ptrdiff_t>(gone));
    } else {
        std::copy(fresh.begin(), fresh.begin() + static_cast<std::ptrdiff_t>(gone), at);
        m_starts.insert(at + static_cast<std::ptrdiff_t>(gone),
                        fresh.begin() + static_cast<std::ptrdiff_t>(gone), fresh.end());
    }
}

void LineStore::assign(std::string_view text) {
    m_text.clear();
    m_text.shrink_to_fit();
    m_starts.assign(1, 0);
    m_starts.shrink_to_fit();
    m_bare_ends = 0;
    append(text);
}

}  // namespace qorvex::runtime
