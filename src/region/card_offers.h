#pragma once

// The card offers the card type list shows, in card-row order. Rows 0 and 1
// have group keys in the province table and are queried; row 2 is an offer
// without keys, listed but never queried. The window's list and the hunter's
// target names read this one table.

#include <array>
#include <string_view>

namespace qorvex::region {

inline constexpr std::size_t kCardOfferCount = 3;

inline constexpr std::array<std::string_view, kCardOfferCount> kCardOffers{
    "Tavikmax", "星河梦想e卡", "云朵卡（未上线）"};

}  // namespace qorvex::region
