#pragma once

// The running count beside the status line: how many numbers extraction has
// found since the count was last emptied, duplicates included. The scan
// cycle and the sample run both add their extraction's count to it.

#include <cstddef>
#include <string>
#include <string_view>

#include "runtime/runtime.h"

namespace qorvex::scan {

inline constexpr std::string_view kRunningCountLabel = "透明签6";

// The count text read as an integer (empty counts as 0) plus `added`, as
// plain decimal text.
std::string running_count_after(std::string_view count_text, std::size_t added);

// Reads 透明签6, adds `added` and writes the sum back.
void add_to_running_count(runtime::Form& form, std::size_t added);

}  // namespace qorvex::scan
