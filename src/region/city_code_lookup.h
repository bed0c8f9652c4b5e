#pragma once

// Turns the city chosen in the city box into the city code. The whole table is
// searched, not only the current province, and names must match exactly; a
// name that is not there (nothing selected included) keeps the old code.

#include <optional>
#include <string_view>

#include "region/region_codes.h"
#include "runtime/runtime.h"

namespace qorvex::region {

// The code of the first table row whose name equals the city exactly.
std::optional<std::string_view> city_code_of(std::string_view city);

// Reads the selected item of 组合框2 and sets the city code from it.
void look_up_city_code(const runtime::Form& form, RegionCodes& codes);

}  // namespace qorvex::region
