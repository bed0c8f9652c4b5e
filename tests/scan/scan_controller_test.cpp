#include "scan/scan_controller.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "scan/reply_extraction.h"
#include "scan/scan_interval.h"
#include "scan_rig.h"

namespace qorvex::scan {
namespace {

using namespace std::chrono_literals;
using test::Multiset;
using test::multiset_of;
using test::PoolSimOptions;
using test::ScanRig;

constexpr std::string_view kAaaBox = "编辑框2";
constexpr std::string_view kCustomBox = "编辑框16";

// Shapes a test can tell apart without the program's regex engine: class 1
// (a digit three times in a row) and the default custom pattern 688.
bool has_triple(const std::string& number) {
    for (std::size_t i = 2; i < number.size(); ++i) {
        if (number[i] == number[i - 1] && number[i] == number[i - 2]) {
            return true;
        }
    }
    return false;
}

bool has_688(const std::string& number) {
    return number.find("688") != std::string::npos;
}

Multiset filtered(const Multiset& numbers, bool (*keep)(const std::string&)) {
    Multiset kept;
    for (const auto& [number, times] : numbers) {
        if (keep(number)) {
            kept[number] = times;
        }
    }
    return kept;
}

int total(const Multiset& numbers) {
    int sum = 0;
    for (const auto& entry : numbers) {
        sum += entry.second;
    }
    return sum;
}

// What the user sees after the cycles: every served number listed once per
// time it was served, classified exactly once into each class it belongs to,
// counted once, and the scratch box left empty.
void expect_every_number_listed_and_classified_once(ScanRig& rig) {
    const Multiset served = rig.served_numbers();
    ASSERT_FALSE(served.empty());
    EXPECT_EQ(multiset_of(rig.lines("编辑框1")), served);
    EXPECT_EQ(multiset_of(rig.lines(kAaaBox)), filtered(served, has_triple));
    EXPECT_EQ(multiset_of(rig.lines(kCustomBox)), filtered(served, has_688));
    EXPECT_EQ(rig.count(), std::to_string(total(served)));
    EXPECT_EQ(rig.window().text("数组的电话"), "");
}

// The first `count` numbers of a reply body, in order, found with std::regex.
std::vector<std::string> first_numbers(const std::string& body, std::size_t count) {
    const std::regex number("1[0-9]{10}");
    std::vector<std::string> numbers;
    for (auto match = std::sregex_iterator(body.begin(), body.end(), number);
         match != std::sregex_iterator() && numbers.size() < count; ++match) {
        numbers.push_back(match->str());
    }
    return numbers;
}

TEST(ScanController, StartWithTheFirstCardScansCycleAfterCycleUntilStop) {
    ScanRig rig;
    rig.start("1");
    EXPECT_EQ(rig.status(), kStatusStarting);
    EXPECT_EQ(rig.window().timer_period(kScanTimer), 1000);

    // Three periods of virtual time: three ticks, three cycles.
    rig.runtime().advance_time(3000);
    ASSERT_TRUE(rig.wait_for_cycles());
    EXPECT_EQ(rig.pool_sim().served().size(), 3U);
    EXPECT_EQ(rig.status(), kStatusScanning);
    EXPECT_EQ(rig.lines("编辑框1").size(), 600U);
    expect_every_number_listed_and_classified_once(rig);

    rig.stop();
    EXPECT_EQ(rig.status(), kStatusStopped);
    EXPECT_EQ(rig.count(), "");
    EXPECT_EQ(rig.window().timer_period(kScanTimer), 0);
    EXPECT_FALSE(rig.tick());
    EXPECT_EQ(rig.lines("编辑框1").size(), 600U);
}

TEST(ScanController, StartWithoutACardRowIsRefused) {
    ScanRig rig;
    rig.window().set_selection(kCardList, -1);
    rig.start("5");
    EXPECT_EQ(rig.status(), kStatusNoCard);
    EXPECT_EQ(rig.window().timer_period(kScanTimer), 0);
}

TEST(ScanController, StartWithTheThirdCardLeavesTheTimerAlone) {
    ScanRig rig;
    rig.window().set_selection(kCardList, 2);
    rig.start("5");
    EXPECT_EQ(rig.status(), kStatusStarting);
    EXPECT_EQ(rig.window().timer_period(kScanTimer), 0);
    EXPECT_FALSE(rig.tick());
    EXPECT_TRUE(rig.pool_sim().served().empty());
}

struct IntervalCase {
    const char* label;
    const char* interval;
    int period_ms;
};

TEST(ScanController, IntervalSetsTheTimerPeriod) {
    const IntervalCase cases[] = {
        {"default", "5", 5000},
        {"fraction honoured", "2.5", 2500},
        {"too large clamped to the timer's reach", "9999999999", kLargestTimerPeriodMs},
        {"zero", "0", 0},
        {"negative", "-3", 0},
        {"not a number", "abc", 0},
    };
    ScanRig rig;
    for (const IntervalCase& row : cases) {
        SCOPED_TRACE(row.label);
        rig.start(row.interval);
        EXPECT_EQ(rig.window().timer_period(kScanTimer), row.period_ms);
        EXPECT_EQ(rig.status(), kStatusStarting);
        rig.stop();
    }
}

TEST(ScanController, IntervalThatIsNoPeriodNeverReportsScanning) {
    ScanRig rig;
    rig.start("1");
    ASSERT_TRUE(rig.tick());
    ASSERT_TRUE(rig.wait_for_cycles());
    ASSERT_EQ(rig.status(), kStatusScanning);

    // A cycle has finished since the last tick, yet with the timer stopped
    // nothing scans, so the status must not say so.
    rig.start("abc");
    EXPECT_EQ(rig.window().timer_period(kScanTimer), 0);
    EXPECT_EQ(rig.status(), kStatusStarting);
}

TEST(ScanController, StartAfterAFinishedCycleReportsScanningAtOnce) {
    ScanRig rig;
    rig.start("1");
    ASSERT_TRUE(rig.tick());
    ASSERT_TRUE(rig.wait_for_cycles());
    rig.stop();

    rig.start("1");
    EXPECT_EQ(rig.status(), kStatusScanning);
}

TEST(ScanController, AtMostFourCyclesAreInFlight) {
    ScanRig rig(PoolSimOptions{.delay_ms = 1500});
    rig.start("1");
    for (int i = 0; i < 7; ++i) {
        ASSERT_TRUE(rig.tick());
    }
    EXPECT_EQ(rig.controller().cycles_in_flight(), kMaxCyclesInFlight);
    ASSERT_TRUE(rig.wait_for_cycles());

    const auto served = rig.pool_sim().served();
    EXPECT_EQ(served.size(), 4U);
    for (const test::ServedQuery& query : served) {
        EXPECT_LE(query.in_flight, kMaxCyclesInFlight);
    }
    expect_every_number_listed_and_classified_once(rig);
}

TEST(ScanController, OverlappingSlowCyclesLoseNothingAndCountNothingTwice) {
    // Each reply takes longer than the period, so cycles overlap and finish
    // while others are still waiting for their reply.
    ScanRig rig(PoolSimOptions{.delay_ms = 700});
    rig.start("0.3");
    ASSERT_EQ(rig.window().timer_period(kScanTimer), 300);
    for (int round = 0; round < 4; ++round) {
        rig.runtime().advance_time(300);
        rig.runtime().wait_until([] { return false; }, 200ms);
    }
    ASSERT_TRUE(rig.wait_for_cycles());
    int overlapped = 0;
    for (const test::ServedQuery& query : rig.pool_sim().served()) {
        overlapped += query.in_flight > 1 ? 1 : 0;
    }
    EXPECT_GT(overlapped, 0);
    EXPECT_GE(rig.pool_sim().served().size(), 4U);
    expect_every_number_listed_and_classified_once(rig);
}

TEST(ScanController, CycleUsesTheChoicesReadWhenItStarted) {
    ScanRig rig(PoolSimOptions{.delay_ms = 500});
    rig.start("1");
    ASSERT_TRUE(rig.tick());

    // Changed while the cycle waits for its reply: none of it may reach it.
    ASSERT_TRUE(rig.runtime().click(rig.window(), "单选框3"));
    rig.window().set_text("自定义匹配", "999");
    rig.region_codes().set_province_code("51");
    rig.window().set_selection(kCardList, 2);
    ASSERT_TRUE(rig.wait_for_cycles());

    const auto served = rig.pool_sim().served();
    ASSERT_EQ(served.size(), 1U);
    EXPECT_EQ(test::query_value(served[0].query, "provinceCode"), "11");
    // 单选框1's pattern keeps numbers with 4 and 7, which 单选框3's would drop.
    EXPECT_EQ(multiset_of(rig.lines("编辑框1")), rig.served_numbers());
    EXPECT_EQ(multiset_of(rig.lines(kCustomBox)), filtered(rig.served_numbers(), has_688));
}

TEST(ScanController, StopEndsAStartStillWaitingForItsFirstCycle) {
    ScanRig rig(PoolSimOptions{.delay_ms = 600});
    rig.start("1");
    ASSERT_TRUE(rig.tick());
    rig.stop();
    ASSERT_TRUE(rig.wait_for_cycles());

    EXPECT_EQ(rig.status(), kStatusStopped);
    // The cycle that was running still lists its numbers.
    EXPECT_EQ(multiset_of(rig.lines("编辑框1")), rig.served_numbers());
}

TEST(ScanController, StopAndStartAgainCountsFromTheNextCycle) {
    ScanRig rig;
    rig.start("1");
    ASSERT_TRUE(rig.tick());
    ASSERT_TRUE(rig.wait_for_cycles());
    rig.stop();
    const int first = total(rig.served_numbers());

    rig.start("1");
    ASSERT_TRUE(rig.tick());
    ASSERT_TRUE(rig.wait_for_cycles());
    EXPECT_EQ(rig.count(), std::to_string(total(rig.served_numbers()) - first));
}

TEST(ScanController, CycleWithoutNumbersStillFinishes) {
    struct Case {
        const char* label;
        PoolSimOptions options;
    };
    const Case cases[] = {
        {"error status", {.failure_rate = 1.0}},
        {"rate-limit page", {.reply = "rate-limit"}},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.label);
        ScanRig rig(row.options);
        rig.start("1");
        ASSERT_TRUE(rig.tick());
        ASSERT_TRUE(rig.wait_for_cycles());
        EXPECT_EQ(rig.pool_sim().served().size(), 1U);
        EXPECT_EQ(rig.status(), kStatusScanning);
        EXPECT_EQ(rig.count(), "0");
        EXPECT_TRUE(rig.lines("编辑框1").empty());
    }
}

TEST(ScanController, CardRowWithoutGroupKeysSendsNothing) {
    ScanRig rig;
    rig.start("1");
    rig.window().set_selection(kCardList, 2);
    ASSERT_TRUE(rig.tick());
    ASSERT_TRUE(rig.wait_for_cycles());
    EXPECT_TRUE(rig.pool_sim().served().empty());
    EXPECT_EQ(rig.count(), "0");
    EXPECT_EQ(rig.status(), kStatusScanning);
}

TEST(ScanController, DamagedRepliesYieldWhatTheirTextHolds) {
    for (const char* mode : {"truncated", "malformed", "zero-byte"}) {
        SCOPED_TRACE(mode);
        ScanRig rig(PoolSimOptions{.reply = mode});
        rig.start("1");
        ASSERT_TRUE(rig.tick());
        ASSERT_TRUE(rig.tick());
        ASSERT_TRUE(rig.wait_for_cycles());
        expect_every_number_listed_and_classified_once(rig);
    }
}

TEST(ScanController, ClosingTheWindowWithCyclesInFlightEndsPromptly) {
    // A stand-in that holds every reply back far longer than a close may take.
    ScanRig rig(PoolSimOptions{.delay_ms = 20000});
    const std::shared_ptr<runtime::Form> window = rig.window_handle();
    rig.start("1");
    ASSERT_TRUE(rig.tick());
    ASSERT_TRUE(rig.tick());
    ASSERT_TRUE(rig.runtime().close(*window));
    EXPECT_EQ(rig.runtime().exit_code(), 0);

    // The program stops the exchanges under way instead of waiting for
    // them, and their results touch nothing.
    EXPECT_LT(rig.end_program(), 1000ms);
    rig.runtime().process_posted();
    EXPECT_FALSE(window->exists());
    EXPECT_EQ(window->text("编辑框1"), "");
}

TEST(ScanController, HostileReplyLeavesTheWindowResponsiveAndListsItsFirstNumbers) {
    // 100,000 numbers in one reply, where 200 were asked for.
    ScanRig rig(PoolSimOptions{.reply = "flood"});
    rig.start("1");
    ASSERT_TRUE(rig.tick());

    // The test thread is the user-interface thread: it must never be held
    // long while the reply is worked through.
    auto longest = std::chrono::steady_clock::duration::zero();
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (rig.controller().cycles_in_flight() > 0 && std::chrono::steady_clock::now() < deadline) {
        const auto began = std::chrono::steady_clock::now();
        rig.runtime().process_posted();
        longest = std::max(longest, std::chrono::steady_clock::now() - began);
        std::this_thread::sleep_for(5ms);
    }
    ASSERT_EQ(rig.controller().cycles_in_flight(), 0);
    EXPECT_LT(longest, 500ms);

    const auto served = rig.pool_sim().served();
    ASSERT_EQ(served.size(), 1U);
    const std::vector<std::string> taken = first_numbers(served[0].body, kMaxNumbersPerReply);
    ASSERT_EQ(taken.size(), kMaxNumbersPerReply);
    EXPECT_EQ(rig.lines("编辑框1"), taken);
    EXPECT_EQ(rig.count(), std::to_string(kMaxNumbersPerReply));
    EXPECT_EQ(multiset_of(rig.lines(kAaaBox)), filtered(multiset_of(taken), has_triple));
    EXPECT_EQ(multiset_of(rig.lines(kCustomBox)), filtered(multiset_of(taken), has_688));
}

TEST(ScanController, ClosingWhileHostileRepliesAreWorkedThroughEndsPromptly) {
    ScanRig rig(PoolSimOptions{.reply = "flood"});
    const std::shared_ptr<runtime::Form> window = rig.window_handle();
    rig.start("1");
    ASSERT_TRUE(rig.tick());
    ASSERT_TRUE(rig.tick());
    // Both replies are out: their workers extract and classify now.
    ASSERT_TRUE(
        rig.runtime().wait_until([&rig] { return rig.pool_sim().served().size() == 2; }, 30s));
    ASSERT_TRUE(rig.runtime().close(*window));
    EXPECT_LT(rig.end_program(), 1000ms);
}

}  // namespace
}  // namespace qorvex::scan
