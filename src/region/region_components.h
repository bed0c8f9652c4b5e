#pragma once

// The main-window components the region catalogue reads and writes.

#include <string_view>

namespace qorvex::region {

inline constexpr std::string_view kProvinceBox = "组合框1";
inline constexpr std::string_view kCityBox = "组合框2";
inline constexpr std::string_view kCardList = "超级列表框1";

}  // namespace qorvex::region
