#pragma once

// The regex object: compiles a pattern with a few options, runs it over a
// subject once, and answers questions about the matches (how many, the text
// of the n-th, its capture groups). Extraction, the pattern classes, the custom
// pattern and the network test all go through it. One object serves one user
// (a scan cycle, the sample run) on one thread, for any number of creates.
//
// Matching follows ECMAScript rules (see regex_engine.h). A search that
// reaches its bound, as a pattern that backtracks without end does, counts as
// a failed create: no matches.

#include <memory>
#include <string>
#include <string_view>

#include "regex/match_list.h"
#include "regex/regex_engine.h"

namespace qorvex::rx {

// Replaced by a double quote in a pattern when create is asked to, so that a
// caller can write quotes inside a pattern literal.
inline constexpr std::string_view kQuoteMarker = "#引号";

class RegexObject {
public:
    explicit RegexObject(RegexEngine& engine);

    // True when the subject was searched, also when nothing matched; false
    // when the pattern was rejected or the search was given up. Every call
    // replaces the pattern, subject and matches of the previous one.
    bool create(std::string_view pattern, std::string_view subject, bool case_sensitive = false,
                bool multi_line = true, bool all_matches = true, bool replace_quote_marker = false);
    // The same with the default options, for a pattern the user typed: its
    // search is bounded by the processor time it takes as well as by work.
    bool create_user_pattern(std::string_view pattern, std::string_view subject);

    // 0 before any create and after a failed one.
    int match_count() const;
    // Match n counted from 1; empty outside 1 … match_count.
    std::string match_text(int n) const;
    // The same text, as a view into the object's own copy of the subject;
    // valid until the next create.
    std::string_view match_view(int n) const;
    // Capture group k (from 1) of match n (from 1); empty when either is absent
    // or the group took no part in the match.
    std::string sub_match_text(int n, int k) const;
    // The number of capture groups of the first match; 0 when nothing matched.
    int sub_match_count() const;
    // The pattern of the last create (after the quote marker was replaced),
    // also when it was rejected; empty before any create.
    std::string get_pattern() const;
    // The subject of the last successful create with its matches replaced.
    // The replacement understands $$, $&, $`, $' and $1 … $99 as ECMAScript's
    // replace does. Empty when there is no successful create.
    std::string replace_all(std::string_view replacement) const;

private:
    bool create_with(std::string pattern, std::string_view subject, CompileOptions options,
                     bool all_matches);
    bool has_match(int n) const;

    RegexEngine& m_engine;
    std::string m_pattern;
    std::string m_subject;
    std::shared_ptr<const CompiledPattern> m_compiled;
    MatchList m_matches;
    bool m_searched = false;
};

}  // namespace qorvex::rx
