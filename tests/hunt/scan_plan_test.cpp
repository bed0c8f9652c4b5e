#include "hunt_cli/scan_plan.h"

#include <gtest/gtest.h>

#include "regex/platform_engine.h"

namespace qorvex::hunt_cli {
namespace {

TEST(ScanPlan, TheIntervalIsAPlainNumberOfSeconds) {
    // The window reads its interval box leniently ("5m" as 5); a command line
    // that means minutes or an exponent is refused instead of misread.
    const struct {
        const char* text;
        hunt::TimeMs interval_ms;  // 0: refused
    } cases[] = {
        {"5", 5000}, {"2.5", 2500}, {"0.05", 50}, {"5m", 0}, {"10s", 0},
        {"1e3", 0},  {" 5", 0},     {"5 ", 0},    {"", 0},   {"-5", 0},
        {"0x10", 0}, {"1.2.3", 0},  {".", 0},     {"0", 0},  {"５", 0},
    };
    const auto engine = rx::make_platform_engine();
    for (const auto& row : cases) {
        SCOPED_TRACE(std::string("\"") + row.text + "\"");
        ScanOptions options;
        options.targets = {"Tavikmax/广东/深圳"};
        options.interval = row.text;
        const auto made = make_scan_plan(options, *engine);
        if (row.interval_ms == 0) {
            const auto* refusals = std::get_if<std::vector<std::string>>(&made);
            ASSERT_NE(refusals, nullptr);
            ASSERT_EQ(refusals->size(), 1U);
            EXPECT_NE(refusals->front().find("--interval"), std::string::npos);
        } else {
            const auto* plan = std::get_if<ScanPlan>(&made);
            ASSERT_NE(plan, nullptr);
            EXPECT_EQ(plan->schedule.interval_ms, row.interval_ms);
        }
    }
}

}  // namespace
}  // namespace qorvex::hunt_cli
