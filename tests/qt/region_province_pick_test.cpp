// A province and a city picked on the Qt back end the way a user picks them:
// the drop-down list opened with the mouse and an item clicked in it.

#include <gtest/gtest.h>

#include <QWidget>
#include <chrono>
#include <string>
#include <vector>

#include "qt/qt_driver.h"
#include "runtime/qt/qt_form.h"
#include "support/app_started_program.h"

namespace qorvex::test {
namespace {

using namespace std::chrono_literals;

constexpr std::string_view kProvinces = "组合框1";
constexpr std::string_view kCities = "组合框2";
constexpr int kGuangdong = 2;
constexpr int kJiangsu = 7;
constexpr int kChangzhou = 3;

class QtRegionPick : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(program.opened()); }

    runtime::Form& window() { return program.window(); }
    region::RegionSnapshot codes() { return *program.context().region_codes.snapshot(); }
    bool city_code_becomes(std::string_view code) {
        return driver.wait_until([&] { return codes().city_code == code; }, 5s);
    }

    QtDriver driver;
    StartedProgram program{driver.runtime()};
};

TEST_F(QtRegionPick, StartUpSetsBeijingsCodes) {
    driver.process_events();
    const region::RegionSnapshot now = codes();
    EXPECT_EQ(now.province_code, "11");
    EXPECT_EQ(now.group_key, "85236889");
    EXPECT_EQ(now.city_code, "110");
    EXPECT_EQ(window().items(kCities), std::vector<std::string>{"北京"});
}

TEST_F(QtRegionPick, ChoosingGuangdongFillsTheCitiesAndSetsShenzhensCode) {
    ASSERT_TRUE(driver.choose_item(window(), kProvinces, kGuangdong));
    ASSERT_TRUE(city_code_becomes("540")) << "city code " << codes().city_code;

    const std::vector<std::string> cities = window().items(kCities);
    ASSERT_EQ(cities.size(), 21u);
    EXPECT_EQ(cities.front(), "深圳");
    EXPECT_EQ(cities.back(), "云浮");
    ASSERT_EQ(window().selection(kCities), 0);
    EXPECT_EQ(cities[static_cast<std::size_t>(window().selection(kCities))], "深圳");
    EXPECT_TRUE(qt_form(window()).widget(kCities)->hasFocus());
    const region::RegionSnapshot now = codes();
    EXPECT_EQ(now.province_code, "51");
    EXPECT_EQ(now.group_key, "21236872");
}

TEST_F(QtRegionPick, ChoosingACityInTheOpenedListSetsItsCode) {
    ASSERT_TRUE(driver.choose_item(window(), kProvinces, kJiangsu));
    ASSERT_TRUE(city_code_becomes("440"));
    ASSERT_TRUE(driver.choose_item(window(), kCities, 1));
    ASSERT_TRUE(city_code_becomes("450")) << "苏州: " << codes().city_code;
    // 常州 shares its code with 南京.
    ASSERT_TRUE(driver.choose_item(window(), kCities, kChangzhou));
    ASSERT_TRUE(city_code_becomes("440")) << "常州: " << codes().city_code;

    ASSERT_TRUE(driver.click(window(), "网络测试1"));
    driver.process_events();
    EXPECT_EQ(window().text("标签2"), "13413323691614401");  // 1 34 1 33236916 1 440 1
}

}  // namespace
}  // namespace qorvex::test
