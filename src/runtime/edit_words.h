#pragma once

// Words in a multi-line edit box, as the standard edit control finds them
// for double-click selection and Ctrl+arrow moves: a word is a run of
// characters that are neither blanks (space, tab, other control characters)
// nor line ends (CR, LF); punctuation belongs to the word it touches. Each
// run of blanks and each run of line ends counts as a word of its own kind
// for the moves, so Ctrl+Right stops at the end of a line before it goes on
// to the next. Offsets are bytes of the UTF-8 text.

#include <cstddef>
#include <string_view>

namespace qorvex::runtime {

struct TextSpan {
    std::size_t start = 0;
    std::size_t end = 0;
    bool operator==(const TextSpan&) const = default;
};

// Ctrl+Right: past the run the offset is in, then past the blanks after it.
std::size_t next_word_start(std::string_view text, std::size_t offset);
// Ctrl+Left: back over blanks, then to the start of the run before them.
std::size_t previous_word_start(std::string_view text, std::size_t offset);
// Double click: the run of one kind around the character at `offset` (the
// one before it at the end of a line).
TextSpan word_around(std::string_view text, std::size_t offset);

}  // namespace qorvex::runtime
