#include "region/city_code_table.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "region/province_selection.h"
#include "region/province_table.h"

namespace qorvex::region {
namespace {

TEST(CityCodeTable, NamesAreUniqueAndCodesAreThreeDigits) {
    std::set<std::string_view> names;
    for (const CityCodeRow& row : city_code_table()) {
        names.insert(row.city);
        EXPECT_EQ(row.code.size(), 3u) << row.city;
        EXPECT_EQ(row.code.find_first_not_of("0123456789"), std::string_view::npos) << row.city;
    }
    EXPECT_EQ(names.size(), 340u);
}

TEST(CityCodeTable, OnlyNanjingAndChangzhouShareACode) {
    std::map<std::string_view, std::vector<std::string_view>> cities_by_code;
    for (const CityCodeRow& row : city_code_table()) {
        cities_by_code[row.code].push_back(row.city);
    }
    EXPECT_EQ(cities_by_code.size(), 339u);
    for (const auto& [code, cities] : cities_by_code) {
        if (code == "440") {
            EXPECT_EQ(cities, (std::vector<std::string_view>{"南京", "常州"}));
        } else {
            EXPECT_EQ(cities.size(), 1u) << code;
        }
    }
}

// Every city a province pick can put into the city box must have a code, and
// the code table follows the provinces' lists city by city.
TEST(CityCodeTable, FollowsTheProvinceListsInOrder) {
    std::vector<std::string_view> listed;
    for (const ProvinceRow& province : province_table()) {
        for (const std::string_view city : split_city_list(province.cities)) {
            listed.push_back(city);
        }
    }
    std::vector<std::string_view> coded;
    for (const CityCodeRow& row : city_code_table()) {
        coded.push_back(row.city);
    }
    EXPECT_EQ(coded, listed);
    EXPECT_EQ(city_code_table().front().city, "北京");
    EXPECT_EQ(city_code_table().back().city, "来宾");
}

}  // namespace
}  // namespace qorvex::region
