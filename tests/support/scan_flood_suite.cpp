#include "support/scan_flood_suite.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>

#include "scan/pipeline.h"
#include "scan/reply_extraction.h"
#include "scan/scan_controller.h"
#include "support/pool_sim_fixture.h"

namespace qorvex::test {
namespace {

using namespace std::chrono_literals;

void flooded_window_keeps_answering_and_closes_at_once(RuntimeDriver& driver) {
    PoolSimProgram program(driver.runtime(), PoolSimOptions{.reply = "flood"});
    runtime::Form& window = program.window();
    window.set_text(scan::kIntervalBox, "1");
    ASSERT_TRUE(driver.click(window, "开始"));

    // The longest the window's thread went without coming round while three
    // cycles ran, each over a reply of 100,000 numbers.
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
            return counted() >= kCycles * scan::kMaxNumbersPerReply;
        },
        120s));
    EXPECT_LT(longest, 500ms);
    EXPECT_EQ(counted() % scan::kMaxNumbersPerReply, 0U);
    EXPECT_EQ(program.lines(scan::kAllNumbersBox).size(), counted());
    EXPECT_FALSE(window.text("编辑框2").empty());

    // Closed with the scan still running.
    ASSERT_TRUE(driver.close(window));
    EXPECT_LT(program.end(), 1000ms);
}

constexpr DriverCase kCases[] = {
    {"FloodedWindowKeepsAnsweringAndClosesAtOnce",
     flooded_window_keeps_answering_and_closes_at_once},
};

}  // namespace

bool register_scan_flood_suite(const std::string& backend, const RuntimeDriverFactory& factory) {
    register_driver_cases(backend + "ScanFlood", factory, kCases);
    return true;
}

}  // namespace qorvex::test
