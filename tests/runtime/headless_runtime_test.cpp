#include "runtime/headless/headless_runtime.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "support/headless_driver.h"
#include "support/runtime_contract_form.h"

// What only the headless back end offers: the virtual clock, the queue of
// posted tasks under the test's control, and the test interface's own checks.

namespace qorvex::runtime {
namespace {

using namespace std::chrono_literals;

ComponentDescription timer(std::string name, int period) {
    ComponentDescription result;
    result.name = std::move(name);
    result.type = ComponentType::Timer;
    result.visible = false;
    result.timer_period_ms = period;
    return result;
}

FormDescription two_timer_form(int first_period, int second_period) {
    FormDescription form;
    form.name = "timers";
    form.width = 200;
    form.height = 100;
    form.components = {timer("时钟1", first_period), timer("时钟2", second_period)};
    return form;
}

class HeadlessRuntimeTest : public ::testing::Test {
protected:
    // Opens the two-timer window; each tick is logged as "<timer>@<virtual ms>".
    std::shared_ptr<Form> open_timers(int first_period, int second_period) {
        EventTable events;
        for (const char* name : {"时钟1", "时钟2"}) {
            events.push_back({name, EventKind::PeriodElapsed, [this, name](const EventArgs&) {
                                  ticks.push_back(std::string(name) + "@" +
                                                  std::to_string(runtime.now_ms()));
                              }});
        }
        return runtime.create_window(two_timer_form(first_period, second_period), std::move(events),
                                     WindowMode::Normal);
    }

    HeadlessRuntime runtime;
    std::vector<std::string> ticks;
};

TEST_F(HeadlessRuntimeTest, AdvancingTimeFiresTimersInTimeOrder) {
    auto form = open_timers(300, 500);
    runtime.advance_time(1000);
    EXPECT_EQ(ticks, (std::vector<std::string>{"时钟1@300", "时钟2@500", "时钟1@600", "时钟1@900",
                                               "时钟2@1000"}));
    EXPECT_EQ(runtime.now_ms(), 1000);
}

TEST_F(HeadlessRuntimeTest, SettingThePeriodRestartsTheTimerFromNow) {
    auto form = open_timers(0, 0);
    runtime.advance_time(250);
    form->set_timer_period("时钟1", 100);
    runtime.advance_time(250);
    form->set_timer_period("时钟1", 0);
    runtime.advance_time(1000);
    EXPECT_EQ(ticks, (std::vector<std::string>{"时钟1@350", "时钟1@450"}));
}

TEST_F(HeadlessRuntimeTest, TimersStopWithTheirPeriodOrTheirWindow) {
    auto form = open_timers(100, 0);
    runtime.advance_time(250);
    form->set_timer_period("时钟1", 0);
    form->set_timer_period("时钟2", 100);
    runtime.advance_time(150);
    form->destroy();
    runtime.advance_time(1000);
    EXPECT_EQ(ticks, (std::vector<std::string>{"时钟1@100", "时钟1@200", "时钟2@350"}));
    EXPECT_EQ(runtime.now_ms(), 1400);
}

TEST_F(HeadlessRuntimeTest, DelayInsideAHandlerKeepsTimersAndPostedTasksRunning) {
    // The shape of a start handler that arms the scan timer and waits for a
    // finished cycle, whose result arrives as a posted task.
    FormDescription description = two_timer_form(0, 0);
    ComponentDescription start;
    start.name = "开始";
    start.type = ComponentType::Button;
    start.geometry = {10, 10, 70, 30};
    description.components.push_back(start);
    bool finished = false;
    int waits = 0;
    std::shared_ptr<Form> form;
    EventTable events{
        {"时钟1", EventKind::PeriodElapsed,
         [&](const EventArgs&) { runtime.post([&finished]() { finished = true; }); }},
        {"开始", EventKind::Clicked,
         [&](const EventArgs&) {
             form->set_timer_period("时钟1", 1200);
             while (!finished) {
                 runtime.delay(500);
                 ++waits;
             }
         }},
    };
    form = runtime.create_window(description, std::move(events), WindowMode::Normal);
    ASSERT_TRUE(runtime.click(*form, "开始"));
    EXPECT_TRUE(finished);
    // The first tick falls due at 1200 ms, within the third delay.
    EXPECT_EQ(waits, 3);
    EXPECT_EQ(runtime.now_ms(), 1500);
}

TEST_F(HeadlessRuntimeTest, ProcessPostedRunsTasksThatTasksQueue) {
    auto form = open_timers(0, 0);
    std::vector<int> order;
    runtime.post([&]() {
        order.push_back(1);
        runtime.post([&]() { order.push_back(3); });
    });
    runtime.post([&]() { order.push_back(2); });
    EXPECT_EQ(runtime.process_posted(), 3);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(runtime.process_posted(), 0);
}

TEST_F(HeadlessRuntimeTest, WaitUntilGivesUpAfterItsTimeout) {
    auto form = open_timers(0, 0);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(runtime.wait_until([]() { return false; }, 30ms));
    EXPECT_GE(std::chrono::steady_clock::now() - started, 30ms);
}

TEST_F(HeadlessRuntimeTest, DelayWaitingInRealTimeRunsTasksPostedMeanwhile) {
    auto form = open_timers(0, 0);
    runtime.set_delay_waits_real_time(true);
    bool ran = false;
    std::thread worker([&]() {
        std::this_thread::sleep_for(5ms);
        runtime.post([&ran]() { ran = true; });
    });
    runtime.delay(200);
    worker.join();
    EXPECT_TRUE(ran);
}

TEST_F(HeadlessRuntimeTest, RunReturnsZeroWhenAPostedTaskClosesTheLastWindow) {
    auto form = open_timers(0, 0);
    std::thread worker([&]() { runtime.post([form]() { form->destroy(); }); });
    EXPECT_EQ(runtime.run(), 0);
    worker.join();
    EXPECT_EQ(runtime.exit_code(), 0);
    EXPECT_TRUE(runtime.windows().empty());
}

TEST_F(HeadlessRuntimeTest, WindowCreationCanBeMadeToFail) {
    runtime.set_window_creation_fails(true);
    EXPECT_EQ(open_timers(0, 0), nullptr);
    EXPECT_TRUE(runtime.windows().empty());
    EXPECT_EQ(runtime.exit_code(), std::nullopt);
    runtime.set_window_creation_fails(false);
    EXPECT_NE(open_timers(0, 0), nullptr);
}

TEST_F(HeadlessRuntimeTest, ComponentAccessOffTheUserInterfaceThreadThrows) {
    auto form = open_timers(0, 0);
    std::atomic<bool> refused{false};
    std::thread worker([&]() {
        try {
            (void)form->timer_period("时钟1");
        } catch (const ComponentError&) {
            refused = true;
        }
    });
    worker.join();
    EXPECT_TRUE(refused);
}

TEST(HeadlessRuntime, TestInterfaceRefusesActionsThatNoUserCouldTake) {
    test::HeadlessDriver driver;
    HeadlessRuntime& runtime = driver.headless();
    test::ContractWindow window(driver);
    HeadlessRuntime other;
    auto foreign = other.create_window(test::contract_form(), {}, WindowMode::Normal);
    EXPECT_THROW(runtime.click(window.form(), "标签1"), ComponentError);
    EXPECT_THROW(runtime.click(window.form(), "按钮9"), ComponentError);
    EXPECT_THROW(runtime.choose_item(window.form(), "组合框1", 3), ComponentError);
    EXPECT_THROW(runtime.press_label(window.form(), "标签1", 1, 1), ComponentError);
    EXPECT_THROW(runtime.tick(window.form(), "按钮1"), ComponentError);
    EXPECT_THROW(runtime.click(*foreign, "按钮1"), ComponentError);
}

TEST(HeadlessRuntime, ReportsFocusAndOpenWindows) {
    test::HeadlessDriver driver;
    HeadlessRuntime& runtime = driver.headless();
    test::ContractWindow main(driver);
    test::ContractWindow notice(driver, test::contract_dialog(), WindowMode::Modal);
    EXPECT_EQ(runtime.focused(main.form()), "");
    main.form().set_focus("组合框2");
    EXPECT_EQ(runtime.focused(main.form()), "组合框2");
    EXPECT_EQ(runtime.windows().size(), 2u);
    notice.form().destroy();
    ASSERT_EQ(runtime.windows().size(), 1u);
    EXPECT_EQ(runtime.windows().front().get(), &main.form());
}

}  // namespace
}  // namespace qorvex::runtime
