#pragma once

// The 31 provinces the carrier's number pool is queried for. The row number is
// the item index of the province combo box, whose items are listed in exactly
// this order; the selection handler keys on that index, never on the name.

#include <span>
#include <string_view>

namespace qorvex::region {

struct ProvinceRow {
    std::string_view name;                  // the item text of 组合框1
    std::string_view province_code;         // two digits, sent as provinceCode
    std::string_view group_key_card_row_0;  // eight or ten digits, sent as groupKey
    std::string_view group_key_card_row_1;
    std::string_view cities;  // city names in display order, joined with "+"
};

inline constexpr std::size_t kProvinceCount = 31;

std::span<const ProvinceRow, kProvinceCount> province_table();

}  // namespace qorvex::region
