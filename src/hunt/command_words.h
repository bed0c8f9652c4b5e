#pragma once

// The words of a hook command as the user typed it in --on-hit, split by a
// small fixed rule and never handed to a shell: words are separated by
// spaces or tabs; a word may be enclosed in double or single quotes to hold
// spaces, and quotes are taken literally otherwise; there are no escapes,
// variables or other expansions. What the hunt received (numbers, target
// names) reaches the command through its environment only.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qorvex::hunt {

// No words for an unterminated quote or an empty command.
std::optional<std::vector<std::string>> command_words(std::string_view command);

}  // namespace qorvex::hunt
