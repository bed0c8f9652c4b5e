#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The text operations that the web code and the number-pool query share.
// Texts are UTF-8 byte strings: positions and lengths count bytes and are
// 1-based, -1 means "not found", and a multi-byte character is never split
// or matched in its middle. Letter case is folded for ASCII letters only.
namespace qorvex::web {

inline constexpr int kNotFound = -1;

// The number of bytes of the character that starts at byte `index`: a lead
// byte and the continuation bytes that really follow it. A stray or cut
// sequence counts byte by byte, so every walk over any input ends.
std::size_t character_size(std::string_view text, std::size_t index);

// First occurrence of `search` at or after `start` (below 1 means 1). An
// empty search gives 1 for a non-empty text and -1 for an empty one.
int find_text(std::string_view text, std::string_view search, int start = 1,
              bool ignore_case = false);

// Last occurrence of `search` that begins at or before `start`; a start
// that is left out, below 1 or past the end searches the whole text.
int find_text_backward(std::string_view text, std::string_view search, int start = 0,
                       bool ignore_case = false);

// At most `n` bytes from the start, the end or from 1-based `start`. A
// character that would be cut at either edge is left out whole.
std::string left_text(std::string_view text, int n);
std::string right_text(std::string_view text, int n);
std::string middle_text(std::string_view text, int start, int n);

// Replaces occurrences of `search` from `start` on, at most `count` times
// (all when left out). An empty search replaces nothing.
std::string replace_text(std::string_view text, std::string_view search,
                         std::string_view replacement = {}, int start = 1,
                         std::optional<int> count = std::nullopt, bool case_sensitive = true);

// The pieces between delimiters: empty pieces between two delimiters are
// kept, an empty rest after the last one is not, and an empty text gives no
// pieces. An empty delimiter leaves the text whole.
std::vector<std::string> split_text(std::string_view text, std::string_view delimiter);

// Spaces are the ASCII space and the full-width space U+3000; tabs and line
// ends are not spaces.
std::string trim_spaces(std::string_view text);
std::string remove_spaces(std::string_view text);

std::string lower_case(std::string_view text);

// Full-width digits and signs count as their ASCII forms; leading white
// space is skipped, an optional sign and the decimal digits up to the first
// other character are read, and the value wraps at 32 bits. No digits: 0.
std::int32_t text_to_integer(std::string_view text);

}  // namespace qorvex::web
