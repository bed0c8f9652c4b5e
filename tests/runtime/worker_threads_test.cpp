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
