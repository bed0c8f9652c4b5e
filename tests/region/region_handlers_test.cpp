// The province pick and the city code lookup as the user meets them: the
// program started on the headless back end, choices made in the combo boxes.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/handlers.h"
#include "region/province_selection.h"
#include "region/province_table.h"
#include "runtime/headless/headless_runtime.h"
#include "support/app_started_program.h"

namespace qorvex::region {
namespace {

constexpr std::string_view kProvinces = "组合框1";
constexpr std::string_view kCities = "组合框2";
constexpr std::string_view kCardList = "超级列表框1";

constexpr int kGuangdong = 2;
constexpr int kFujian = 3;
constexpr int kJiangsu = 7;
constexpr int kHubei = 17;
constexpr int kGuangxi = 30;

std::vector<std::string> cities_of(int province) {
    std::vector<std::string> cities;
    for (const std::string_view city :
         split_city_list(province_table()[static_cast<std::size_t>(province)].cities)) {
        cities.emplace_back(city);
    }
    return cities;
}

class RegionHandlers : public ::testing::Test {
protected:
    runtime::Form& window() { return program.window(); }
    RegionSnapshot codes() { return *program.context().region_codes.snapshot(); }

    void pick_province(int index, int card_row) {
        window().set_selection(kCardList, card_row);
        ASSERT_TRUE(runtime.choose_item(window(), kProvinces, index));
    }

    runtime::HeadlessRuntime runtime;
    test::StartedProgram program{runtime};
};

TEST_F(RegionHandlers, StartUpLeavesBeijingWithItsCodes) {
    ASSERT_TRUE(program.opened());
    EXPECT_EQ(window().selection(kCardList), 0);
    EXPECT_EQ(window().selection(kProvinces), 0);
    EXPECT_EQ(window().items(kCities), std::vector<std::string>{"北京"});
    EXPECT_EQ(window().selection(kCities), 0);
    EXPECT_EQ(runtime.focused(window()), kCities);
    const RegionSnapshot start = codes();
    EXPECT_EQ(start.province_code, "11");
    EXPECT_EQ(start.group_key, "85236889");
    EXPECT_EQ(start.city_code, "110");
}

TEST_F(RegionHandlers, TheProvinceBoxListsTheTableInOrder) {
    std::vector<std::string> names;
    for (const ProvinceRow& row : province_table()) {
        names.emplace_back(row.name);
    }
    EXPECT_EQ(window().items(kProvinces), names);
}

TEST_F(RegionHandlers, APickSetsCodesAndRefillsTheCityBox) {
    struct Case {
        const char* label;
        int province;
        int card_row;
        const char* province_code;
        const char* group_key;
        const char* city_code;
    };
    const Case cases[] = {
        {"北京, first offer", 0, 0, "11", "85236889", "110"},
        {"北京, second offer", 0, 1, "11", "7200310618", "110"},
        {"广东, first offer", kGuangdong, 0, "51", "21236872", "540"},
        {"广东, second offer", kGuangdong, 1, "51", "21236872", "540"},
        {"福建, first offer: ten-digit key", kFujian, 0, "38", "1000313547", "380"},
        {"福建, second offer: eight-digit key", kFujian, 1, "38", "12236361", "380"},
        {"湖北", kHubei, 0, "71", "40236873", "710"},
        {"广西, last row", kGuangxi, 1, "59", "5600310687", "591"},
    };
    for (const Case& c : cases) {
        pick_province(c.province, c.card_row);
        const RegionSnapshot now = codes();
        EXPECT_EQ(now.province_code, c.province_code) << c.label;
        EXPECT_EQ(now.group_key, c.group_key) << c.label;
        EXPECT_EQ(now.city_code, c.city_code) << c.label;
        EXPECT_EQ(window().items(kCities), cities_of(c.province)) << c.label;
        EXPECT_EQ(window().selection(kCities), 0) << c.label;
        EXPECT_EQ(runtime.focused(window()), kCities) << c.label;
    }
}

TEST_F(RegionHandlers, GuangdongFillsTwentyOneCitiesFromShenzhenToYunfu) {
    pick_province(kGuangdong, 0);
    const std::vector<std::string> cities = window().items(kCities);
    ASSERT_EQ(cities.size(), 21u);
    EXPECT_EQ(cities.front(), "深圳");
    EXPECT_EQ(cities.back(), "云浮");
    EXPECT_EQ(cities[static_cast<std::size_t>(window().selection(kCities))], "深圳");
    EXPECT_EQ(codes().city_code, "540");
}

TEST_F(RegionHandlers, HubeiListsThreeCitiesAsOneItem) {
    pick_province(kHubei, 0);
    const std::vector<std::string> cities = window().items(kCities);
    ASSERT_EQ(cities.size(), 14u);
    EXPECT_EQ(cities[12], "仙桃/潜江/天门");
}

TEST_F(RegionHandlers, WithoutAKeyedCardRowAPickKeepsTheGroupKey) {
    for (const int card_row : {-1, 2}) {
        pick_province(kFujian, 1);
        pick_province(kGuangxi, card_row);
        const RegionSnapshot now = codes();
        EXPECT_EQ(now.province_code, "59") << card_row;
        EXPECT_EQ(now.group_key, "12236361") << card_row;
        EXPECT_EQ(now.city_code, "591") << card_row;
        EXPECT_EQ(window().items(kCities), cities_of(kGuangxi)) << card_row;
    }
}

TEST_F(RegionHandlers, ACardRowSetByTheProgramChangesNoCode) {
    pick_province(kFujian, 0);
    window().set_selection(kCardList, 1);
    EXPECT_EQ(codes().group_key, "1000313547");
    // The next pick of the same province takes the new card row's key.
    ASSERT_TRUE(runtime.choose_item(window(), kProvinces, kFujian));
    EXPECT_EQ(codes().group_key, "12236361");
}

TEST_F(RegionHandlers, PickingTheSameProvinceAgainSelectsItsFirstCityAgain) {
    pick_province(kGuangdong, 0);
    ASSERT_TRUE(runtime.choose_item(window(), kCities, 1));
    ASSERT_EQ(codes().city_code, "580");
    ASSERT_TRUE(runtime.choose_item(window(), kProvinces, kGuangdong));
    EXPECT_EQ(window().items(kCities), cities_of(kGuangdong));
    EXPECT_EQ(window().selection(kCities), 0);
    EXPECT_EQ(codes().city_code, "540");
}

TEST_F(RegionHandlers, NoProvinceSelectedChangesNothingButTheFocus) {
    pick_province(kGuangdong, 0);
    ASSERT_TRUE(runtime.choose_item(window(), kCities, 3));
    ASSERT_TRUE(runtime.focus(window(), kProvinces));
    window().set_selection(kProvinces, -1);
    window().set_selection(kCardList, 1);

    app::on_province_selected(program.context());

    const RegionSnapshot now = codes();
    EXPECT_EQ(now.province_code, "51");
    EXPECT_EQ(now.group_key, "21236872");
    EXPECT_EQ(now.city_code, "530");
    EXPECT_EQ(window().items(kCities), cities_of(kGuangdong));
    EXPECT_EQ(window().selection(kCities), 3);
    EXPECT_EQ(runtime.focused(window()), kCities);
}

TEST_F(RegionHandlers, ChoosingACitySetsItsCode) {
    struct Case {
        const char* label;
        int province;
        int city;
        const char* code;
    };
    const Case cases[] = {
        {"深圳", kGuangdong, 0, "540"},
        {"云浮", kGuangdong, 20, "538"},
        {"南京", kJiangsu, 0, "440"},
        {"常州 shares 南京's code", kJiangsu, 3, "440"},
        {"连云港", kJiangsu, 11, "346"},
        {"仙桃/潜江/天门", kHubei, 12, "713"},
        {"来宾, last row of the table", kGuangxi, 13, "601"},
    };
    for (const Case& c : cases) {
        pick_province(c.province, 0);
        ASSERT_TRUE(runtime.choose_item(window(), kCities, c.city)) << c.label;
        EXPECT_EQ(codes().city_code, c.code) << c.label;
    }
}

TEST_F(RegionHandlers, GettingTheFocusLooksTheSelectedCityUpAgain) {
    pick_province(kGuangdong, 0);
    ASSERT_TRUE(runtime.focus(window(), kProvinces));
    // A selection set by the program raises nothing; the next focus reads it.
    window().set_selection(kCities, 2);
    EXPECT_EQ(codes().city_code, "540");
    ASSERT_TRUE(runtime.focus(window(), kCities));
    EXPECT_EQ(codes().city_code, "510");
    ASSERT_TRUE(runtime.focus(window(), kProvinces));
    ASSERT_TRUE(runtime.focus(window(), kCities));
    EXPECT_EQ(codes().city_code, "510");
}

TEST_F(RegionHandlers, NothingSelectedOrAnUnknownCityKeepsTheCityCode) {
    pick_province(kGuangdong, 0);
    ASSERT_TRUE(runtime.focus(window(), kProvinces));
    window().set_selection(kCities, -1);
    ASSERT_TRUE(runtime.focus(window(), kCities));
    EXPECT_EQ(codes().city_code, "540");

    ASSERT_TRUE(runtime.focus(window(), kProvinces));
    window().clear_items(kCities);
    window().add_item(kCities, "深圳 ");
    window().set_selection(kCities, 0);
    ASSERT_TRUE(runtime.choose_item(window(), kCities, 0));
    EXPECT_EQ(codes().city_code, "540");
}

}  // namespace
}  // namespace qorvex::region
