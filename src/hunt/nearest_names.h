#pragma once

// Suggestions for a name the catalogue does not hold: the candidates closest
// to it by edit distance, counted in characters (code points), so that one
// wrong Chinese character costs one edit, not three bytes.

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qorvex::hunt {

// Insertions, deletions and substitutions of code points; invalid UTF-8
// bytes count as one character each.
std::size_t edit_distance(std::string_view a, std::string_view b);

// Up to `at_most` candidates, nearest first; equal distances keep the
// candidates' order.
std::vector<std::string_view> nearest_names(std::string_view wanted,
                                            std::span<const std::string_view> candidates,
                                            std::size_t at_most = 5);

// "a, b, c" for a message.
std::string joined_names(std::span<const std::string_view> names);

}  // namespace qorvex::hunt
