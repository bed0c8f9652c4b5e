#include "region/city_code_lookup.h"

#include <gtest/gtest.h>

namespace qorvex::region {
namespace {

TEST(CityCodeOf, FindsExactNamesOnly) {
    struct Case {
        const char* label;
        std::string_view city;
        std::optional<std::string_view> code;
    };
    const Case cases[] = {
        {"深圳", "深圳", "540"},
        {"北京, first row", "北京", "110"},
        {"来宾, last row", "来宾", "601"},
        {"南京", "南京", "440"},
        {"常州 shares 南京's code", "常州", "440"},
        {"one item for three cities", "仙桃/潜江/天门", "713"},
        {"吉林 the city", "吉林", "902"},
        {"海南 the city in 青海", "海南", "705"},
        {"part of a combined item", "潜江", std::nullopt},
        {"prefix", "深", std::nullopt},
        {"trailing space", "深圳 ", std::nullopt},
        {"leading space", " 深圳", std::nullopt},
        {"empty", "", std::nullopt},
        {"a province that is not a city", "广东", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(city_code_of(c.city), c.code) << c.label;
    }
}

}  // namespace
}  // namespace qorvex::region
