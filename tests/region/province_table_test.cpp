#include "region/province_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>

#include "region/province_selection.h"

namespace qorvex::region {
namespace {

bool all_digits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

TEST(ProvinceTable, ProvinceCodesAreTwoDigitsAndDistinct) {
    std::set<std::string_view> codes;
    for (const ProvinceRow& row : province_table()) {
        EXPECT_EQ(row.province_code.size(), 2u) << row.name;
        EXPECT_TRUE(all_digits(row.province_code)) << row.name;
        codes.insert(row.province_code);
    }
    EXPECT_EQ(codes.size(), 31u);
}

TEST(ProvinceTable, GroupKeysHaveEightOrTenDigits) {
    for (const ProvinceRow& row : province_table()) {
        for (const std::string_view key : {row.group_key_card_row_0, row.group_key_card_row_1}) {
            EXPECT_TRUE(all_digits(key)) << row.name << " " << key;
            EXPECT_TRUE(key.size() == 8 || key.size() == 10) << row.name << " " << key;
        }
    }
}

TEST(ProvinceTable, NoGroupKeyServesTwoProvinces) {
    std::map<std::string_view, std::set<std::string_view>> provinces_by_key;
    for (const ProvinceRow& row : province_table()) {
        provinces_by_key[row.group_key_card_row_0].insert(row.name);
        provinces_by_key[row.group_key_card_row_1].insert(row.name);
    }
    for (const auto& [key, provinces] : provinces_by_key) {
        EXPECT_EQ(provinces.size(), 1u) << key;
    }
}

TEST(ProvinceTable, ElevenProvincesHaveDifferentKeysPerCardOffer) {
    std::vector<std::size_t> rows_with_two_keys;
    const auto provinces = province_table();
    for (std::size_t row = 0; row < provinces.size(); ++row) {
        if (provinces[row].group_key_card_row_0 != provinces[row].group_key_card_row_1) {
            rows_with_two_keys.push_back(row);
        }
    }
    EXPECT_EQ(rows_with_two_keys,
              (std::vector<std::size_t>{0, 1, 3, 12, 14, 16, 18, 23, 24, 28, 30}));
}

TEST(ProvinceTable, CityCountsPerProvince) {
    struct Row {
        std::string_view province;
        std::size_t cities;
    };
    const Row expected[] = {
        {"北京", 1},  {"上海", 1},  {"广东", 21},   {"福建", 9},    {"浙江", 11}, {"天津", 1},
        {"辽宁", 14}, {"江苏", 13}, {"山西", 11},   {"新疆", 16},   {"青海", 9},  {"河北", 11},
        {"山东", 17}, {"海南", 1},  {"陕西", 10},   {"内蒙古", 12}, {"重庆", 1},  {"湖北", 14},
        {"吉林", 9},  {"宁夏", 5},  {"黑龙江", 13}, {"西藏", 7},    {"湖南", 14}, {"四川", 21},
        {"河南", 18}, {"安徽", 16}, {"甘肃", 14},   {"云南", 16},   {"贵州", 9},  {"江西", 11},
        {"广西", 14},
    };
    const auto provinces = province_table();
    ASSERT_EQ(std::size(expected), provinces.size());
    std::size_t total = 0;
    for (std::size_t row = 0; row < provinces.size(); ++row) {
        EXPECT_EQ(provinces[row].name, expected[row].province) << "row " << row;
        const auto cities = split_city_list(provinces[row].cities);
        EXPECT_EQ(cities.size(), expected[row].cities) << expected[row].province;
        for (const std::string_view city : cities) {
            EXPECT_FALSE(city.empty()) << expected[row].province;
        }
        total += cities.size();
    }
    EXPECT_EQ(total, 340u);
}

TEST(ProvinceTable, SingleCityProvincesListThemselvesExceptHainan) {
    for (const std::string_view city_state : {"北京", "上海", "天津", "重庆"}) {
        const auto provinces = province_table();
        const auto row = std::find_if(provinces.begin(), provinces.end(),
                                      [&](const ProvinceRow& p) { return p.name == city_state; });
        ASSERT_NE(row, provinces.end()) << city_state;
        EXPECT_EQ(row->cities, city_state);
    }
    EXPECT_EQ(province_table()[13].cities, "海口");
}

}  // namespace
}  // namespace qorvex::region
