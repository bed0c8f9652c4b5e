#include "regex/pattern_cache.h"

#include <utility>

namespace qorvex::rx {

PatternCache::PatternCache(std::size_t capacity) : m_capacity(capacity == 0 ? 1 : capacity) {}

std::string PatternCache::make_key(std::string_view pattern, unsigned options) {
    std::string key = std::to_string(options);
    key += ':';
    key += pattern;
    return key;
}

std::shared_ptr<const CompiledPattern> PatternCache::find(std::string_view pattern,
                                                          unsigned options) {
    const std::string key = make_key(pattern, options);
    std::lock_guard lock(m_mutex);
    const auto found = m_index.find(key);
    if (found == m_index.end()) {
        return nullptr;
    }
    m_recency.splice(m_recency.begin(), m_recency, found->second);
    return found->second->compiled;
}

void PatternCache::insert(std::string_view pattern, unsigned options,
                          std::shared_ptr<const CompiledPattern> compiled) {
    std::string key = make_key(pattern, options);
    std::lock_guard lock(m_mutex);
    if (const auto found = m_index.find(key); found != m_index.end()) {
        // Another thread compiled the same pattern meanwhile; either result serves.
        m_recency.splice(m_recency.begin(), m_recency, found->second);
        return;
    }
    if (m_recency.size() >= m_capacity) {
        m_index.erase(m_recency.back().key);
        m_recency.pop_back();
    }
    m_recency.push_front(Entry{key, std::move(compiled)});
    m_index.emplace(std::move(key), m_recency.begin());
}

std::size_t PatternCache::size() const {
    std::lock_guard lock(m_mutex);
    return m_recency.size();
}

}  // namespace qorvex::rx
