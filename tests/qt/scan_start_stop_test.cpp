// A scan on the real Qt window, driven with the mouse against pool-sim.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>

#include "qt_driver.h"
#include "runtime/qt/screenshot.h"
#include "scan/pipeline.h"
#include "scan/reply_extraction.h"
#include "scan/scan_controller.h"
#include "support/pool_sim_fixture.h"

namespace qorvex::scan {
namespace {

using namespace std::chrono_literals;

constexpr const char* kScreenshot = QORVEX_BINARY_DIR "/screenshots/scan_after_cycles.png";
constexpr const char* kFloodScreenshot = QORVEX_BINARY_DIR "/screenshots/scan_flooded.png";

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

TEST(QtScan, RepliesOfAHundredThousandNumbersLeaveTheWindowResponsive) {
    test::QtDriver driver;
    test::PoolSimProgram program(driver.runtime(), test::PoolSimOptions{.reply = "flood"});
    runtime::Form& window = program.window();
    window.set_text(kIntervalBox, "1");
    ASSERT_TRUE(driver.click(window, "开始"));

    // The longest the event loop went without coming round while three
    // cycles ran, each over a reply of 100,000 numbers; each lists its first
    // kMaxNumbersPerReply.
    constexpr std::size_t kCycles = 3;
    const auto counted = [&window] {
        const std::string count = window.text("透明签6");
        return count.empty() ? 0U : std::stoul(count);
    };
    auto last = std::chrono::steady_clock::now();
    auto longest = std::chrono::steady_clock::duration::zero();
    ASSERT_TRUE(driver.wait_until(
        [&] {
            const auto now = std::chrono::steady_clock::now();
            longest = std::max(longest, now - last);
            last = now;
            return counted() >= kCycles * kMaxNumbersPerReply;
        },
        60s));
    EXPECT_LT(longest, 500ms);
    EXPECT_EQ(counted() % kMaxNumbersPerReply, 0U);
    EXPECT_EQ(program.lines(kAllNumbersBox).size(), counted());
    EXPECT_FALSE(window.text("编辑框2").empty());
    std::filesystem::create_directories(std::filesystem::path(kFloodScreenshot).parent_path());
    EXPECT_TRUE(runtime::qt::save_screenshot(window, kFloodScreenshot));

    // Closed with the scan still running.
    ASSERT_TRUE(driver.close(window));
    EXPECT_LT(program.end(), 1000ms);
}

}  // namespace
}  // namespace qorvex::scan
