#include "web/abortable_call.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

namespace qorvex::web {

namespace {

// Shared by the caller and the call's thread, whichever ends last.
struct CallState {
    std::mutex mutex;
    std::condition_variable_any ended_changed;
    bool ended = false;
};

}  // namespace

bool run_abortable(const std::stop_token& stop, AbortClock::time_point deadline,
                   std::function<void()> call, const std::function<void()>& abort) {
    auto state = std::make_shared<CallState>();
    std::thread thread([state, call = std::move(call)]() {
        call();
        {
            std::lock_guard lock(state->mutex);
            state->ended = true;
        }
        state->ended_changed.notify_all();
    });
    std::unique_lock lock(state->mutex);
    const auto ended = [&state]() { return state->ended; };
    if (state->ended_changed.wait_until(lock, stop, deadline, ended)) {
        lock.unlock();
        thread.join();
        return true;
    }
    lock.unlock();
    abort();
    lock.lock();
    if (state->ended_changed.wait_for(lock, kAbortGrace, ended)) {
        lock.unlock();
        thread.join();
    } else {
        lock.unlock();
        thread.detach();
    }
    return false;
}

}  // namespace qorvex::web
