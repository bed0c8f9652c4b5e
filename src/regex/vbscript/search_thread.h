#pragma once

// Runs VBScript searches on a thread of its own, where COM is initialised
// for the thread's whole life. VBScript.RegExp has no work bound of its own:
// the program's patterns are run to their end, and a search of the user's
// pattern is given up once it has taken its processor time budget. A search
// given up keeps its thread busy until the component returns, since a thread
// inside a COM call cannot be stopped safely; the next search starts on a
// fresh thread.
//
// At most one search is ever left running so: while it runs, no other
// search that could be given up starts.

#include <chrono>
#include <memory>
#include <mutex>
#include <vector>

#include "regex/processor_budget.h"
#include "regex/regex_engine.h"
#include "regex/vbscript/thread_time.h"
#include "regex/vbscript/vbscript_search.h"

namespace qorvex::rx {

enum class SearchOutcome {
    Done,
    Failed,
    OutOfTime,   // given up at the budget
    NotStarted,  // held back while a search given up still runs
};

struct SearchResult {
    SearchOutcome outcome = SearchOutcome::Failed;
    std::vector<VbscriptMatch> matches;
};

struct SearchClocks {
    ClockReading wall = steady_time;
    ThreadProcessorClock processor = thread_processor_time;
};

class SearchThread {
public:
    SearchThread(std::chrono::milliseconds budget, SearchClocks clocks);
    ~SearchThread();
    SearchThread(const SearchThread&) = delete;
    SearchThread& operator=(const SearchThread&) = delete;

    // One search at a time; callers on several threads take turns.
    SearchResult search(VbscriptQuery query, SearchBudget budget);

private:
    struct Worker;

    void start_worker();
    bool given_up_search_runs() const;

    const std::chrono::milliseconds m_budget;
    const SearchClocks m_clocks;
    std::mutex m_turn;
    std::shared_ptr<Worker> m_worker;
    // The thread of the search given up last, until it ends.
    std::shared_ptr<Worker> m_given_up;
};

}  // namespace qorvex::rx
