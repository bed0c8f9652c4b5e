#include "region/province_selection.h"

#include <string>

#include "region/region_components.h"

namespace qorvex::region {

const ProvinceRow* province_at(int index) {
    const auto provinces = province_table();
    if (index < 0 || static_cast<std::size_t>(index) >= provinces.size()) {
        return nullptr;
    }
    return &provinces[static_cast<std::size_t>(index)];
}

std::optional<std::string_view> group_key_for(const ProvinceRow& province, int card_row) {
    switch (card_row) {
        case kFirstCardRow:
            return province.group_key_card_row_0;
        case kSecondCardRow:
            return province.group_key_card_row_1;
        default:
            return std::nullopt;
    }
}

std::vector<std::string_view> split_city_list(std::string_view cities) {
    constexpr char kSeparator = '+';
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    for (auto end = cities.find(kSeparator); end != std::string_view::npos;
         end = cities.find(kSeparator, start)) {
        pieces.push_back(cities.substr(start, end - start));
        start = end + 1;
    }
    if (start < cities.size()) {
        pieces.push_back(cities.substr(start));
    }
    return pieces;
}

namespace {

// The group key of the card offer now current; the third offer and no offer
// at all leave the key as it is.
void take_card_row_key(const runtime::Form& form, const ProvinceRow& province, RegionCodes& codes) {
    if (const auto key = group_key_for(province, form.selection(kCardList))) {
        codes.set_group_key(std::string(*key));
    }
}

}  // namespace

void select_province(runtime::Form& form, RegionCodes& codes) {
    if (const ProvinceRow* province = province_at(form.selection(kProvinceBox))) {
        form.clear_items(kCityBox);
        codes.set_province_code(std::string(province->province_code));
        // The card row is read only now, after the province code is written:
        // the key belongs to the card offer current at the moment of the pick.
        take_card_row_key(form, *province, codes);
        for (const std::string_view city : split_city_list(province->cities)) {
            form.add_item(kCityBox, city);
        }
        form.set_selection(kCityBox, 0);
    }
    form.set_focus(kCityBox);
}

const ProvinceRow* province_with_code(std::string_view code) {
    for (const ProvinceRow& province : province_table()) {
        if (province.province_code == code) {
            return &province;
        }
    }
    return nullptr;
}

void follow_card_row(const runtime::Form& form, RegionCodes& codes) {
    if (const ProvinceRow* province = province_with_code(codes.snapshot()->province_code)) {
        take_card_row_key(form, *province, codes);
    }
}

}  // namespace qorvex::region
