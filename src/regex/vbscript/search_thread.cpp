#include "regex/vbscript/search_thread.h"

#include <condition_variable>
#include <thread>
#include <utility>

#include "win32/com_apartment.h"

namespace qorvex::rx {

// The state one worker thread shares with the engine; the thread keeps it
// alive, so a worker that was given up can finish on its own.
struct SearchThread::Worker {
    std::mutex mutex;
    std::condition_variable changed;
    std::optional<VbscriptQuery> query;
    std::optional<SearchResult> result;
    bool stopping = false;
    std::thread thread;

    static void run(const std::shared_ptr<Worker>& self) {
        win32::ComApartment apartment;
        std::unique_lock lock(self->mutex);
        while (true) {
            self->changed.wait(lock, [&] { return self->stopping || self->query; });
            if (!self->query) {
                return;
            }
            const VbscriptQuery query = std::move(*self->query);
            self->query.reset();
            lock.unlock();
            std::optional<std::vector<VbscriptMatch>> matches = run_vbscript_search(query);
            lock.lock();
            self->result = matches ? SearchResult{SearchOutcome::Done, std::move(*matches)}
                                   : SearchResult{SearchOutcome::Failed, {}};
            self->changed.notify_all();
            if (self->stopping) {
                return;
            }
        }
    }
};

SearchThread::SearchThread(std::chrono::milliseconds budget) : m_budget(budget) {}

SearchThread::~SearchThread() {
    if (!m_worker) {
        return;
    }
    {
        std::lock_guard lock(m_worker->mutex);
        m_worker->stopping = true;
    }
    m_worker->changed.notify_all();
    m_worker->thread.join();
}

SearchResult SearchThread::search(VbscriptQuery query) {
    std::lock_guard turn(m_turn);
    if (!m_worker) {
        m_worker = std::make_shared<Worker>();
        m_worker->thread = std::thread(&Worker::run, m_worker);
    }
    std::unique_lock lock(m_worker->mutex);
    m_worker->result.reset();
    m_worker->query = std::move(query);
    m_worker->changed.notify_all();
    if (m_worker->changed.wait_for(lock, m_budget, [&] { return m_worker->result.has_value(); })) {
        SearchResult result = std::move(*m_worker->result);
        m_worker->result.reset();
        return result;
    }
    // Given up: the worker ends once the component returns, and nobody waits for it.
    m_worker->stopping = true;
    m_worker->thread.detach();
    lock.unlock();
    m_worker.reset();
    return {SearchOutcome::OutOfTime, {}};
}

}  // namespace qorvex::rx
