#pragma once

// The rich edit control (MSFTEDIT_CLASS) timed as a result box would use it:
// filled with a scan's lines, then one cycle's lines appended at the end and
// a page scrolled, each repainted. For comparison with the standard EDIT
// control behind the program's boxes.

#include <cstddef>

namespace qorvex::bench {

void time_rich_edit(std::size_t lines, double budget_seconds);

}  // namespace qorvex::bench
