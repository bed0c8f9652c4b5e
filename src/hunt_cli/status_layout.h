#pragma once

// Fitting the status block to the terminal: a target's fields are laid out
// in as few rows as the width allows, each row at most `width` columns,
// and a field is never split between rows.

#include <string>
#include <string_view>
#include <vector>

namespace qorvex::hunt_cli {

// Columns `text` takes on a terminal: East Asian wide characters (the
// targets' provinces and cities) take two, other characters one.
int display_width(std::string_view text);

// Rows of fields, two spaces between fields and rows after the first
// indented by two. A field wider than a row gets a row of its own, cut by
// the terminal at its edge.
std::vector<std::string> fit_fields(const std::vector<std::string>& fields, int width);

// `text` broken at spaces into rows of at most `width` columns, rows after
// the first indented by two; a word wider than a row is left whole.
std::vector<std::string> wrap_words(const std::string& text, int width);

}  // namespace qorvex::hunt_cli
