#pragma once

// Runs VBScript searches on a thread of its own, where COM is initialised
// for the thread's whole life, and gives up on a search that outlasts its
// time budget. VBScript.RegExp has no work bound of its own, and a pattern
// that backtracks without end must hold up neither the window nor a scan:
// a search given up keeps its thread busy until the component returns, and
// the next search starts on a fresh thread.

#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "regex/vbscript/vbscript_search.h"

namespace qorvex::rx {

enum class SearchOutcome { Done, Failed, OutOfTime };

struct SearchResult {
    SearchOutcome outcome = SearchOutcome::Failed;
    std::vector<VbscriptMatch> matches;
};

class SearchThread {
public:
    explicit SearchThread(std::chrono::milliseconds budget);
    ~SearchThread();
    SearchThread(const SearchThread&) = delete;
    SearchThread& operator=(const SearchThread&) = delete;

    // One search at a time; callers on several threads take turns.
    SearchResult search(VbscriptQuery query);

private:
    struct Worker;

    const std::chrono::milliseconds m_budget;
    std::mutex m_turn;
    std::shared_ptr<Worker> m_worker;
};

}  // namespace qorvex::rx
