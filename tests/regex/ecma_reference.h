#pragma once

// Runs patterns through Node.js's ECMAScript RegExp with the committed script
// tools/regex-reference/ecma_matches.js, for the differential test.

#include <optional>
#include <string>
#include <vector>

#include "regex/match_list.h"

namespace qorvex::rx::testing {

struct ReferenceCase {
    std::string pattern;
    std::string subject;
    std::string replacement;
};

struct ReferenceResult {
    bool rejected = false;
    std::size_t group_count = 0;
    // Per match: the whole match, then each group.
    std::vector<std::vector<Span>> matches;
    std::string replaced;
};

// The command that runs Node.js, or nothing when it is not installed.
std::optional<std::string> find_node();

// One result per case, in order. Throws std::runtime_error when the script
// fails or answers in a form it should not.
std::vector<ReferenceResult> run_ecma_reference(const std::string& node,
                                                const std::vector<ReferenceCase>& cases);

}  // namespace qorvex::rx::testing
