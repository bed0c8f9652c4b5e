#pragma once

// Runs slow work (network exchanges) on threads of its own and carries each
// result back to the user-interface thread. A worker never touches a
// component: it returns a continuation, and the continuation runs through
// Runtime::post where component access is allowed.
//
// Destroy a WorkerThreads before the Runtime it posts to; its destructor
// waits for the workers still in flight, so a closing program waits at most
// for the exchanges that have already started.

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
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
    // posted to the user-interface thread. Threads that have finished are
    // joined here, so handles do not pile up while a scan runs for hours.
    void start(Work work);

    // Workers whose work has not returned yet. Thread-safe.
    int in_flight() const;

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
    std::atomic<int> m_in_flight{0};
    std::mutex m_mutex;
    std::vector<Worker> m_workers;
};

}  // namespace qorvex::runtime
