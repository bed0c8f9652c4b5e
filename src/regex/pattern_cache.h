#pragma once

// The most recently used compiled patterns of an engine, keyed by pattern
// text and compile options. The program's own patterns are used on every scan
// cycle and stay; the custom pattern changes as the user types, so the cache
// is bounded and drops the least recently used entry when it is full.
// Thread-safe.

#include <cstddef>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

namespace qorvex::rx {

class CompiledPattern;

class PatternCache {
public:
    static constexpr std::size_t kDefaultCapacity = 64;

    explicit PatternCache(std::size_t capacity = kDefaultCapacity);

    // `options` is any small number that tells compile options apart.
    std::shared_ptr<const CompiledPattern> find(std::string_view pattern, unsigned options);
    void insert(std::string_view pattern, unsigned options,
                std::shared_ptr<const CompiledPattern> compiled);
    std::size_t size() const;

private:
    struct Entry {
        std::string key;
        std::shared_ptr<const CompiledPattern> compiled;
    };
    using Recency = std::list<Entry>;  // most recently used first

    static std::string make_key(std::string_view pattern, unsigned options);

    std::size_t m_capacity;
    mutable std::mutex m_mutex;
    Recency m_recency;
    std::unordered_map<std::string, Recency::iterator> m_index;
};

}  // namespace qorvex::rx
