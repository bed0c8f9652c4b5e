#include "hunt/target.h"

#include <algorithm>
#include <vector>

#include "hunt/nearest_names.h"
#include "region/card_offers.h"
#include "region/city_code_lookup.h"
#include "region/province_selection.h"
#include "region/province_table.h"
#include "scan/number_pool_query.h"

namespace qorvex::hunt {

namespace {

bool same_name(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

std::string unknown(std::string_view what, std::string_view name,
                    std::span<const std::string_view> candidates) {
    const auto nearest = nearest_names(name, candidates);
    return "unknown " + std::string(what) + " \"" + std::string(name) +
           "\"; nearest: " + joined_names(nearest);
}

std::optional<int> card_row_of(std::string_view name) {
    for (std::size_t row = 0; row < region::kCardOffers.size(); ++row) {
        if (same_name(name, region::kCardOffers[row]) || name == std::to_string(row)) {
            return static_cast<int>(row);
        }
    }
    return std::nullopt;
}

}  // namespace

TargetParse parse_target(std::string_view text) {
    const auto first = text.find('/');
    const auto second = first == std::string_view::npos ? first : text.find('/', first + 1);
    // A city's own name may hold slashes (仙桃/潜江/天门): it is all that
    // follows the second one.
    if (second == std::string_view::npos) {
        return {std::nullopt,
                "a target is CARD/PROVINCE/CITY, for example Tavikmax/广东/深圳; got \"" +
                    std::string(text) + "\""};
    }
    const auto card = text.substr(0, first);
    const auto province_name = text.substr(first + 1, second - first - 1);
    const auto city = text.substr(second + 1);

    const auto card_row = card_row_of(card);
    if (!card_row) {
        return {std::nullopt, unknown("card", card, region::kCardOffers)};
    }
    if (!scan::card_row_queries(*card_row)) {
        return {std::nullopt, "the card \"" +
                                  std::string(region::kCardOffers[std::size_t(*card_row)]) +
                                  "\" has no number pool to query; choose " +
                                  std::string(region::kCardOffers[0]) + " or " +
                                  std::string(region::kCardOffers[1])};
    }

    std::vector<std::string_view> provinces;
    const region::ProvinceRow* province = nullptr;
    for (const auto& row : region::province_table()) {
        provinces.push_back(row.name);
        if (row.name == province_name) {
            province = &row;
        }
    }
    if (province == nullptr) {
        return {std::nullopt, unknown("province", province_name, provinces)};
    }

    const auto cities = region::split_city_list(province->cities);
    const bool in_province = std::find(cities.begin(), cities.end(), city) != cities.end();
    const auto city_code = region::city_code_of(city);
    if (!in_province || !city_code) {
        return {std::nullopt, unknown("city of " + std::string(province_name), city, cities)};
    }

    Target target;
    target.card_row = *card_row;
    target.label = std::string(region::kCardOffers[std::size_t(*card_row)]) + "/" +
                   std::string(province->name) + "/" + std::string(city);
    target.codes.province_code = std::string(province->province_code);
    target.codes.city_code = std::string(*city_code);
    target.codes.group_key = std::string(region::group_key_for(*province, *card_row).value_or(""));
    return {std::move(target), {}};
}

}  // namespace qorvex::hunt
