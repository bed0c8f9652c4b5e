#pragma once

// The sixteen pattern columns of the main window, eight per row: column k is
// the check box 选择框k with the pattern's caption, the clickable label
// 透明标签k reading "清空" to its right and the result box 编辑框k below.

#include <vector>

#include "runtime/form_description.h"

namespace qorvex::app {

inline constexpr int kPatternColumnCount = 16;

std::vector<runtime::ComponentDescription> pattern_grid_components();

}  // namespace qorvex::app
