#include "runtime/worker_threads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "support/headless_driver.h"
#include "support/runtime_contract_form.h"

namespace qorvex::runtime {
namespace {

using namespace std::chrono_literals;

TEST(WorkerThreads, FailingWorkIsReportedOnTheUserInterfaceThread) {
    test::HeadlessDriver driver;
    test::ContractWindow window(driver);
    WorkerThreads workers(driver.runtime());
    workers.start([]() -> WorkerThreads::Continuation { throw std::runtime_error("no reply"); });
    EXPECT_THROW(driver.headless().wait_until([]() { return false; }, 10s), std::runtime_error);
}

TEST(WorkerThreads, DestructionWaitsForWorkersInFlight) {
    test::HeadlessDriver driver;
    test::ContractWindow window(driver);
    std::atomic<bool> done{false};
    {
        WorkerThreads workers(driver.runtime());
        workers.start([&done]() -> WorkerThreads::Continuation {
            std::this_thread::sleep_for(20ms);
            done = true;
            return {};
        });
    }
    EXPECT_TRUE(done);
}

// A closing program does not wait out work that can stop early: the
// destructor stops it, and what it brings back afterwards runs nowhere.
TEST(WorkerThreads, DestructionStopsTheWorkAndDropsItsResult) {
    test::HeadlessDriver driver;
    test::ContractWindow window(driver);
    bool continued = false;
    const auto started = std::chrono::steady_clock::now();
    {
        WorkerThreads workers(driver.runtime());
        workers.start([&continued, stop = workers.stop_token()]() -> WorkerThreads::Continuation {
            // Five seconds of work, unless it is told to stop.
            for (int step = 0; step < 5000 && !stop.stop_requested(); ++step) {
                std::this_thread::sleep_for(1ms);
            }
            return [&continued]() { continued = true; };
        });
        std::this_thread::sleep_for(20ms);
    }
    driver.headless().process_posted();
    EXPECT_LT(std::chrono::steady_clock::now() - started, 1s);
    EXPECT_FALSE(continued);
}

TEST(WorkerThreads, ManyShortWorkersAllReportBack) {
    test::HeadlessDriver driver;
    test::ContractWindow window(driver);
    WorkerThreads workers(driver.runtime());
    int reported = 0;
    constexpr int kWorkers = 200;
    for (int i = 0; i < kWorkers; ++i) {
        workers.start(
            [&reported]() -> WorkerThreads::Continuation { return [&reported]() { ++reported; }; });
    }
    ASSERT_TRUE(driver.headless().wait_until(
        [&]() { return workers.in_flight() == 0 && reported == kWorkers; }, 20s));
    workers.join_all();
    EXPECT_EQ(reported, kWorkers);
}

}  // namespace
}  // namespace qorvex::runtime
