#include "runtime/worker_threads.h"

#include <algorithm>
#include <exception>
#include <iterator>
#include <utility>

namespace qorvex::runtime {

WorkerThreads::WorkerThreads(Runtime& runtime) : m_runtime(runtime) {}

WorkerThreads::~WorkerThreads() {
    request_stop();
    join_all();
    // Continuations still queued find this gone and do nothing.
    m_alive.reset();
}

void WorkerThreads::start(Work work) {
    join_finished();
    auto finished = std::make_shared<std::atomic<bool>>(false);
    m_in_flight.fetch_add(1);
    std::thread thread;
    try {
        thread = std::thread([this, work = std::move(work), finished]() { run(work, *finished); });
    } catch (...) {
        m_in_flight.fetch_sub(1);
        throw;
    }
    std::lock_guard lock(m_mutex);
    m_workers.push_back(Worker{std::move(thread), std::move(finished)});
}

void WorkerThreads::run(const Work& work, std::atomic<bool>& finished) {
    Continuation continuation;
    try {
        continuation = work();
    } catch (...) {
        // A failing worker must not take the process down from a thread no
        // one watches: the failure is raised again on the user-interface
        // thread, where a test or the program sees it.
        continuation = [error = std::current_exception()]() { std::rethrow_exception(error); };
    }
    // Work that was told to stop may have given up half way: what it
    // brings back is not a result.
    if (continuation && !m_stop.stop_requested()) {
        m_runtime.post(
            [alive = std::weak_ptr<const bool>(m_alive), continuation = std::move(continuation)]() {
                if (!alive.expired()) {
                    continuation();
                }
            });
    }
    // The count drops only after the post, so whoever sees no worker in
    // flight also finds every continuation queued.
    m_in_flight.fetch_sub(1);
    finished.store(true);
}

int WorkerThreads::in_flight() const {
    return m_in_flight.load();
}

void WorkerThreads::join_finished() {
    std::vector<Worker> done;
    {
        std::lock_guard lock(m_mutex);
        auto still_running =
            std::partition(m_workers.begin(), m_workers.end(),
                           [](const Worker& worker) { return !worker.finished->load(); });
        std::move(still_running, m_workers.end(), std::back_inserter(done));
        m_workers.erase(still_running, m_workers.end());
    }
    for (Worker& worker : done) {
        worker.thread.join();
    }
}

void WorkerThreads::join_all() {
    std::vector<Worker> all;
    {
        std::lock_guard lock(m_mutex);
        all.swap(m_workers);
    }
    for (Worker& worker : all) {
        worker.thread.join();
    }
}

}  // namespace qorvex::runtime
