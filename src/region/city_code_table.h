#pragma once

// The carrier's three-digit code of each of the 340 cities, keyed by the city
// name exactly as the province table's city lists spell it. Rows follow the
// province table, province by province. Names are unique; codes are not
// (南京 and 常州 share one).

#include <span>
#include <string_view>

namespace qorvex::region {

struct CityCodeRow {
    std::string_view city;
    std::string_view code;
};

inline constexpr std::size_t kCityCount = 340;

std::span<const CityCodeRow, kCityCount> city_code_table();

}  // namespace qorvex::region
