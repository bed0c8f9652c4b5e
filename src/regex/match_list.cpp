#include "regex/match_list.h"

#include <cassert>

namespace qorvex::rx {

void MatchList::reset(std::size_t group_count) {
    m_group_count = group_count;
    m_spans.clear();
}

void MatchList::add(std::span<const Span> spans) {
    assert(spans.size() == stride());
    m_spans.insert(m_spans.end(), spans.begin(), spans.end());
}

}  // namespace qorvex::rx
