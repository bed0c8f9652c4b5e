#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "runtime/worker_threads.h"
#include "support/runtime_contract_cases.h"
#include "support/runtime_contract_form.h"

// Work on other threads reaches the windows only through the user-interface thread.

namespace qorvex::test::contract {

namespace {

using namespace std::chrono_literals;

constexpr auto kPatience = 10s;

void worker_result_runs_on_user_interface_thread(RuntimeDriver& driver) {
    ContractWindow window(driver);
    const std::thread::id ui_thread = std::this_thread::get_id();
    std::thread::id worker_thread;
    std::thread::id continuation_thread;
    bool continued = false;
    {
        runtime::WorkerThreads workers(driver.runtime());
        workers.start([&]() -> runtime::WorkerThreads::Continuation {
            worker_thread = std::this_thread::get_id();
            return [&]() {
                continuation_thread = std::this_thread::get_id();
                window.form().append_text("编辑框1", "13800000001\r\n");
                continued = true;
            };
        });
        ASSERT_TRUE(driver.wait_until([&]() { return continued; }, kPatience));
        EXPECT_TRUE(driver.wait_until([&]() { return workers.in_flight() == 0; }, kPatience));
    }
    EXPECT_NE(worker_thread, ui_thread);
    EXPECT_EQ(continuation_thread, ui_thread);
    EXPECT_EQ(window.form().text("编辑框1"), "13800000001\r\n");
}

void workers_in_flight_are_counted(RuntimeDriver& driver) {
    ContractWindow window(driver);
    runtime::WorkerThreads workers(driver.runtime());
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    int continued = 0;
    for (int i = 0; i < 3; ++i) {
        workers.start([&continued, released, i]() -> runtime::WorkerThreads::Continuation {
            released.wait();
            if (i == 1) {
                return {};  // a worker with nothing to report
            }
            return [&continued]() { ++continued; };
        });
    }
    EXPECT_EQ(workers.in_flight(), 3);
    driver.process_events();
    EXPECT_EQ(continued, 0);
    release.set_value();
    ASSERT_TRUE(driver.wait_until([&]() { return workers.in_flight() == 0; }, kPatience));
    driver.process_events();
    EXPECT_EQ(continued, 2);
}

void post_from_another_thread(RuntimeDriver& driver) {
    ContractWindow window(driver);
    const std::thread::id ui_thread = std::this_thread::get_id();
    std::atomic<bool> wrong_thread{false};
    std::thread poster([&]() {
        for (const char* number : {"13800000001\r\n", "13800000002\r\n"}) {
            driver.runtime().post([&, number]() {
                wrong_thread = wrong_thread || std::this_thread::get_id() != ui_thread;
                window.form().append_text("编辑框1", number);
            });
        }
    });
    poster.join();
    ASSERT_TRUE(driver.wait_until(
        [&]() { return window.form().text("编辑框1") == "13800000001\r\n13800000002\r\n"; },
        kPatience));
    EXPECT_FALSE(wrong_thread);
}

void tasks_posted_after_the_last_window_are_dropped(RuntimeDriver& driver) {
    auto window = std::make_unique<ContractWindow>(driver);
    window->form().destroy();
    driver.process_events();
    ASSERT_EQ(driver.exit_code(), 0);
    bool ran = false;
    std::thread poster([&]() { driver.runtime().post([&ran]() { ran = true; }); });
    poster.join();
    driver.process_events();
    EXPECT_FALSE(ran);
}

constexpr Case kCases[] = {
    {"WorkerResultRunsOnUserInterfaceThread", worker_result_runs_on_user_interface_thread},
    {"WorkersInFlightAreCounted", workers_in_flight_are_counted},
    {"PostFromAnotherThread", post_from_another_thread},
    {"TasksPostedAfterTheLastWindowAreDropped", tasks_posted_after_the_last_window_are_dropped},
};

}  // namespace

std::span<const Case> thread_cases() {
    return kCases;
}

}  // namespace qorvex::test::contract
