#pragma once

// The replacement text of one match as ECMAScript's String.prototype.replace
// builds it from a replacement template: $$ is a dollar sign, $& the match,
// $` the text before it, $' the text after it, $n and $nn capture group n
// (empty when the group took no part); anything else stays as written.

#include <cstddef>
#include <string>
#include <string_view>

#include "regex/match_list.h"

namespace qorvex::rx {

void append_substitution(std::string& out, std::string_view replacement, std::string_view subject,
                         const MatchList& matches, std::size_t match);

}  // namespace qorvex::rx
