// A scan on the real Qt window, driven with the mouse against pool-sim.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

#include "qt_driver.h"
#include "runtime/qt/screenshot.h"
#include "scan/pipeline.h"
#include "scan/scan_controller.h"
#include "support/pool_sim_fixture.h"
#include "support/scan_flood_suite.h"

namespace qorvex::scan {
namespace {

using namespace std::chrono_literals;

constexpr const char* kScreenshot = QORVEX_BINARY_DIR "/screenshots/scan_after_cycles.png";

TEST(QtScan, StartWithTheMouseListsNumbersUntilStop) {
    test::QtDriver driver;
    test::PoolSimProgram program(driver.runtime());
    runtime::Form& window = program.window();
    window.set_text(kIntervalBox, "1");

    ASSERT_TRUE(driver.click(window, "开始"));
    EXPECT_EQ(window.timer_period(kScanTimer), 1000);
    ASSERT_TRUE(
        driver.wait_until([&window] { return window.text(kStatusLabel) == kStatusScanning; }, 20s));
    ASSERT_TRUE(driver.wait_until(
        [&program] {
            return program.pool_sim().served().size() >= 3 &&
                   program.context().scan.cycles_in_flight() == 0;
        },
        30s));

    const auto listed = program.lines(kAllNumbersBox);
    EXPECT_GE(listed.size(), 600U);
    EXPECT_EQ(listed.size() % 200, 0U);
    EXPECT_EQ(window.text("透明签6"), std::to_string(listed.size()));
    EXPECT_FALSE(window.text("编辑框2").empty());
    std::filesystem::create_directories(std::filesystem::path(kScreenshot).parent_path());
    EXPECT_TRUE(runtime::qt::save_screenshot(window, kScreenshot));

    ASSERT_TRUE(driver.click(window, "停止"));
    EXPECT_EQ(window.text(kStatusLabel), kStatusStopped);
    EXPECT_EQ(window.text("透明签6"), "");
    EXPECT_EQ(window.timer_period(kScanTimer), 0);
}

const bool kFloodRegistered =
    test::register_scan_flood_suite("Qt", [] { return std::make_unique<test::QtDriver>(); });

}  // namespace
}  // namespace qorvex::scan
