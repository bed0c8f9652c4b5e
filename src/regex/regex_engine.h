#pragma once

// The engine behind the regex object: it compiles a pattern once into a
// CompiledPattern, which any number of threads may then run over subjects.
// The matching rules are those of ECMAScript regular expressions with the
// flags i (unless case-sensitive) and m (when multi-line): `^` and `$` honour
// both CR and LF as line terminators, a back-reference to a group that took no
// part matches the empty text, and a scan for all matches goes from left to
// right without overlap, moving on one whole character after an empty match.
//
// Texts are UTF-8; every position is a byte offset into the subject.

#include <cstddef>
#include <memory>
#include <string_view>

#include "regex/match_list.h"
#include "regex/pattern_cache.h"

namespace qorvex::rx {

// How the searches of a pattern are bounded. Every search is bounded by the
// work the engine may do, which does not depend on how busy the machine is:
// the program's own patterns need little, so they are never given up for
// load. A pattern the user typed may also backtrack beyond what work limits
// catch, or the engine may have none, so its searches are bounded by the
// processor time they take as well.
enum class SearchBudget { Work, WorkAndProcessorTime };

struct CompileOptions {
    bool case_sensitive = false;
    bool multi_line = true;
    SearchBudget budget = SearchBudget::Work;
    friend bool operator==(const CompileOptions&, const CompileOptions&) = default;
};

enum class FindScope { First, All };

enum class FindStatus {
    Complete,      // the subject was searched; the list holds every match (maybe none)
    BoundReached,  // the search was given up at its bound; the list is empty
    Failed,        // the engine reported an error; the list is empty
};

class CompiledPattern {
public:
    virtual ~CompiledPattern() = default;
    CompiledPattern() = default;
    CompiledPattern(const CompiledPattern&) = delete;
    CompiledPattern& operator=(const CompiledPattern&) = delete;

    // Number of capture groups, not counting the whole match.
    virtual std::size_t group_count() const = 0;
    // Whether the pattern was compiled to machine code.
    virtual bool accelerated() const = 0;
    // Fills `matches` (replacing its content) with the first match or with
    // every match of the subject. Thread-safe.
    virtual FindStatus find(std::string_view subject, FindScope scope,
                            MatchList& matches) const = 0;
};

// Compiles patterns and keeps the most recently used compilations, so that
// the patterns a scan uses over and over are compiled once. Thread-safe.
class RegexEngine {
public:
    virtual ~RegexEngine() = default;
    RegexEngine() = default;
    RegexEngine(const RegexEngine&) = delete;
    RegexEngine& operator=(const RegexEngine&) = delete;

    // nullptr when the pattern is rejected.
    std::shared_ptr<const CompiledPattern> compile(std::string_view pattern,
                                                   CompileOptions options = {});

protected:
    virtual std::shared_ptr<const CompiledPattern> compile_uncached(std::string_view pattern,
                                                                    CompileOptions options) = 0;

private:
    PatternCache m_cache;
};

}  // namespace qorvex::rx
