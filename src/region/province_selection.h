#pragma once

// What a province pick does: the province code and, for the two card offers
// that have one, the group key follow the picked row of the province table;
// the city box is refilled with the province's cities, the first one selected
// and focused. The focus move raises the city box's got-focus event, whose
// handler sets the city code before the pick returns. A change of card offer
// alone moves the group key only.

#include <optional>
#include <string_view>
#include <vector>

#include "region/province_table.h"
#include "region/region_codes.h"
#include "runtime/runtime.h"

namespace qorvex::region {

// The card rows of the card type list that carry group keys.
inline constexpr int kFirstCardRow = 0;
inline constexpr int kSecondCardRow = 1;

// The province table row at a combo box index, or nullptr for -1 and any
// index past the table.
const ProvinceRow* province_at(int index);

// The group key for a card row; none for the third offer or no row at all,
// in which case the previous key stays.
std::optional<std::string_view> group_key_for(const ProvinceRow& province, int card_row);

// Splits a "+"-joined list. An empty piece between two adjacent "+" counts,
// a trailing empty piece does not, and an empty list has no pieces.
std::vector<std::string_view> split_city_list(std::string_view cities);

// Runs a province pick on the main window: reads the selection of 组合框1 and
// the card row of 超级列表框1, writes the codes, refills 组合框2 and moves the
// focus there. An index outside the table changes nothing but the focus.
void select_province(runtime::Form& form, RegionCodes& codes);

// The province table row whose province code is `code`, or nullptr; no two
// provinces share a code.
const ProvinceRow* province_with_code(std::string_view code);

// Runs a change of the card row: the group key follows the new card offer at
// once, as a pick would set it now, so that a scan never queries a province
// with the other offer's key. The key is the one of the province the codes
// were set for, which 组合框1 need not show: the box's selection can move
// without a pick (set by the program, or on a back end whose keyboard or
// wheel changes raise no item-selected event). The province and city codes,
// the city box and the focus stay as they are.
void follow_card_row(const runtime::Form& form, RegionCodes& codes);

}  // namespace qorvex::region
