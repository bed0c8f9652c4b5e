#include "regex/vbscript/search_thread.h"

#include <algorithm>
#include <condition_variable>
#include <optional>
#include <thread>
#include <utility>

#include "win32/com_apartment.h"

namespace qorvex::rx {

namespace {

// The waiting thread looks at the searching thread's processor time at
// least this often once the budget could be spent.
constexpr std::chrono::milliseconds kShortestWait{1};

}  // namespace

// The state one worker thread shares with the engine; the thread keeps it
// alive, so a worker that was given up can finish on its own.
struct SearchThread::Worker {
    std::mutex mutex;
    std::condition_variable changed;
    std::optional<VbscriptQuery> query;
    std::optional<SearchResult> result;
    void* handle = nullptr;  // the thread's own, for reading its processor time
    bool started = false;
    bool stopping = false;
    bool ended = false;
    std::thread thread;

    static void run(const std::shared_ptr<Worker>& self) {
        win32::ComApartment apartment;
        const OwnThreadHandle own;
        std::unique_lock lock(self->mutex);
        self->handle = own.get();
        self->started = true;
        self->changed.notify_all();
        while (true) {
            self->changed.wait(lock, [&] { return self->stopping || self->query; });
            if (!self->query) {
                break;
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
                break;
            }
        }
        self->ended = true;
    }
};

SearchThread::SearchThread(std::chrono::milliseconds budget, SearchClocks clocks)
    : m_budget(budget), m_clocks(std::move(clocks)) {}

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

void SearchThread::start_worker() {
    m_worker = std::make_shared<Worker>();
    m_worker->thread = std::thread(&Worker::run, m_worker);
    std::unique_lock lock(m_worker->mutex);
    m_worker->changed.wait(lock, [&] { return m_worker->started; });
}

bool SearchThread::given_up_search_runs() const {
    if (!m_given_up) {
        return false;
    }
    std::lock_guard lock(m_given_up->mutex);
    return !m_given_up->ended;
}

SearchResult SearchThread::search(VbscriptQuery query, SearchBudget budget) {
    std::lock_guard turn(m_turn);
    const bool timed = budget == SearchBudget::WorkAndProcessorTime;
    if (!given_up_search_runs()) {
        m_given_up.reset();
    } else if (timed) {
        // It could be given up too, and leave a second thread busy.
        return {SearchOutcome::NotStarted, {}};
    }
    if (!m_worker) {
        start_worker();
    }
    std::unique_lock lock(m_worker->mutex);
    const auto done = [&] { return m_worker->result.has_value(); };
    const ClockReading processor = [this, thread = m_worker->handle] {
        return m_clocks.processor(thread);
    };
    std::optional<ProcessorBudget> spend;
    if (timed) {
        spend.emplace(m_clocks.wall, processor, m_budget);
    }
    m_worker->result.reset();
    m_worker->query = std::move(query);
    m_worker->changed.notify_all();
    while (!done()) {
        if (!spend) {
            m_worker->changed.wait(lock, done);
        } else if (spend->spent()) {
            // Given up: the worker ends once the component returns, and nobody waits for it.
            m_worker->stopping = true;
            m_worker->thread.detach();
            lock.unlock();
            m_given_up = std::move(m_worker);
            return {SearchOutcome::OutOfTime, {}};
        } else {
            m_worker->changed.wait_for(
                lock,
                std::max<std::chrono::nanoseconds>(spend->wall_time_to_next_look(), kShortestWait),
                done);
        }
    }
    SearchResult result = std::move(*m_worker->result);
    m_worker->result.reset();
    return result;
}

}  // namespace qorvex::rx
