#include "region/province_selection.h"

#include <gtest/gtest.h>

#include <string>

namespace qorvex::region {
namespace {

TEST(ProvinceAt, IndexesOutsideTheTableHaveNoRow) {
    for (const int index : {-1, 31, 32, -2, 1000}) {
        EXPECT_EQ(province_at(index), nullptr) << index;
    }
    ASSERT_NE(province_at(0), nullptr);
    EXPECT_EQ(province_at(0)->province_code, "11");
    ASSERT_NE(province_at(30), nullptr);
    EXPECT_EQ(province_at(30)->province_code, "59");
}

TEST(ProvinceWithCode, FindsEachRowByItsCodeAndNothingElse) {
    for (const ProvinceRow& row : province_table()) {
        EXPECT_EQ(province_with_code(row.province_code), &row) << row.name;
    }
    for (const std::string_view code : {"", "1", "110", "12"}) {
        EXPECT_EQ(province_with_code(code), nullptr) << code;
    }
}

TEST(GroupKeyFor, FollowsTheCardRow) {
    struct Case {
        const char* label;
        int province;
        int card_row;
        std::optional<std::string_view> key;
    };
    const Case cases[] = {
        {"北京, first offer", 0, 0, "85236889"},
        {"北京, second offer", 0, 1, "7200310618"},
        {"广东, first offer", 2, 0, "21236872"},
        {"广东, second offer", 2, 1, "21236872"},
        {"福建, first offer: ten digits", 3, 0, "1000313547"},
        {"福建, second offer: eight digits", 3, 1, "12236361"},
        {"广西, second offer", 30, 1, "5600310687"},
        {"no card row", 0, -1, std::nullopt},
        {"third offer has no keys", 0, 2, std::nullopt},
        {"row past the list", 2, 3, std::nullopt},
    };
    for (const Case& c : cases) {
        const ProvinceRow* province = province_at(c.province);
        ASSERT_NE(province, nullptr) << c.label;
        EXPECT_EQ(group_key_for(*province, c.card_row), c.key) << c.label;
    }
}

TEST(SplitCityList, KeepsInnerEmptyPiecesAndDropsATrailingOne) {
    using Pieces = std::vector<std::string_view>;
    struct Case {
        const char* label;
        std::string_view list;
        Pieces pieces;
    };
    const Case cases[] = {
        {"empty list", "", {}},
        {"one city", "北京", {"北京"}},
        {"slashes stay inside one city",
         "荆门+仙桃/潜江/天门+恩施",
         {"荆门", "仙桃/潜江/天门", "恩施"}},
        {"two adjacent separators", "a++b", {"a", "", "b"}},
        {"trailing separator", "a+b+", {"a", "b"}},
        {"leading separator", "+a", {"", "a"}},
        {"separator only", "+", {""}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(split_city_list(c.list), c.pieces) << c.label;
    }
}

TEST(SplitCityList, HubeiHasThirteenthCityAsOneItem) {
    const auto cities = split_city_list(province_at(17)->cities);
    ASSERT_EQ(cities.size(), 14u);
    EXPECT_EQ(cities[12], "仙桃/潜江/天门");
}

}  // namespace
}  // namespace qorvex::region
