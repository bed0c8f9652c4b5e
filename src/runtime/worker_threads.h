#pragma once

// Runs slow work (network exchanges) on threads of its own and carries each
// result back to the user-interface thread. A worker never touches a
// component: it returns a continuation, and the continuation runs through
// Runtime::post where component access is allowed.
//
// Destroy a WorkerThreads before the Runtime it posts to. Its destructor
// first asks every worker to stop (see stop_token) and then waits for them,
// so a closing program waits only as long as the work takes to notice.

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>
#include <vector>

#include "runtime/runtime.h"

namespace qorvex::runtime {

class WorkerThreads {
public:
    using Continuation = std::function<void()>;
    using Work = std::function<Continuation()>;

    explicit WorkerThreads(Runtime& runtime);
    ~WorkerThreads();
    WorkerThreads(const WorkerThreads&) = delete;
    WorkerThreads& operator=(const WorkerThreads&) = delete;

    // Starts `work` on a new thread; a non-empty continuation it returns is
    // posted to the user-interface thread, where it runs unless this object
    // is gone by then. Threads that have finished are
    // joined here, so handles do not pile up while a scan runs for hours.
    void start(Work work);

    // Workers whose work has not returned yet. Thread-safe.
    int in_flight() const;

    // Asked to stop once the workers are told to give up: work that can wait
    // long (a network exchange) passes it on and ends early. Thread-safe.
    std::stop_token stop_token() const { return m_stop.get_token(); }

    // Tells every worker, running or still to come, to give up; the
    // continuations of work that returns after this are dropped. Thread-safe.
    void request_stop() { m_stop.request_stop(); }

    // Waits for every worker started so far.
    void join_all();

private:
    struct Worker {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> finished;
    };

    void run(const Work& work, std::atomic<bool>& finished);
    void join_finished();

    Runtime& m_runtime;
    std::stop_source m_stop;
    // Lives as long as this object: a continuation runs only while it does.
    std::shared_ptr<const bool> m_alive = std::make_shared<const bool>(true);
    std::atomic<int> m_in_flight{0};
    std::mutex m_mutex;
    std::vector<Worker> m_workers;
};

}  // namespace qorvex::runtime
