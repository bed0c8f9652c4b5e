#include "web/abortable_call.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

namespace qorvex::web {
namespace {

using namespace std::chrono_literals;

// What a blocking call and its abort share; the call may outlive the test's
// wait, so it holds this through a shared pointer.
struct Blocking {
    std::atomic<bool> aborted{false};
    std::atomic<int> aborts{0};
    std::atomic<bool> done{false};
};

struct CallRow {
    const char* label;
    std::chrono::milliseconds deadline;
    std::optional<std::chrono::milliseconds> stop_after;  // none: no stop
    std::chrono::milliseconds call_takes;
    bool heeds_abort;  // ends at once when aborted, or only when it is done
    bool ends;
};

TEST(AbortableCall, GivesUpOnStopOrDeadlineWithoutWaitingForTheCall) {
    const std::vector<CallRow> rows = {
        {"call over first", 10s, std::nullopt, 20ms, true, true},
        {"stop during the call", 10s, 50ms, 5s, true, false},
        {"stop before the call", 10s, 0ms, 5s, true, false},
        {"deadline during the call", 100ms, std::nullopt, 5s, true, false},
        {"call deaf to the abort is left behind", 100ms, std::nullopt, 2s, false, false},
    };
    for (const CallRow& row : rows) {
        std::stop_source stop;
        if (row.stop_after == 0ms) {
            stop.request_stop();
        }
        std::thread stopper;
        if (row.stop_after && *row.stop_after > 0ms) {
            stopper = std::thread([&stop, after = *row.stop_after]() {
                std::this_thread::sleep_for(after);
                stop.request_stop();
            });
        }
        auto shared = std::make_shared<Blocking>();
        const auto started = AbortClock::now();
        const bool ended = run_abortable(
            stop.get_token(), started + row.deadline,
            [shared, takes = row.call_takes, heeds = row.heeds_abort, started]() {
                while (AbortClock::now() - started < takes && !(heeds && shared->aborted)) {
                    std::this_thread::sleep_for(1ms);
                }
                shared->done = true;
            },
            [shared]() {
                ++shared->aborts;
                shared->aborted = true;
            });
        const auto waited = AbortClock::now() - started;
        if (stopper.joinable()) {
            stopper.join();
        }
        EXPECT_EQ(ended, row.ends) << row.label;
        EXPECT_EQ(shared->aborts, row.ends ? 0 : 1) << row.label;
        EXPECT_LT(waited, row.ends ? row.call_takes + 1s : kAbortGrace + 1s) << row.label;
        EXPECT_EQ(shared->done.load(), row.ends || row.heeds_abort) << row.label;
    }
}

}  // namespace
}  // namespace qorvex::web
