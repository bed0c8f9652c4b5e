#pragma once

// Runs the --on-hit command for each hit, beside the scan and never in its
// way: the command is started straight from its words (no shell), with the
// hit in its environment (QORVEX_NUMBER, QORVEX_CLASSES, QORVEX_TARGET), its
// standard input empty and its output sent to standard error, so that the
// hunt's own output stays clean. At most a few run at once; one that runs
// past its time limit is killed with its process group. Whatever goes wrong
// (a missing program, a failure, a hang) is reported and the scan goes on.
//
// All calls come from the main thread; poll() reaps without waiting.

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace qorvex::hunt_cli {

struct HookHit {
    std::string number;
    std::string classes;  // captions joined with ","
    std::string target;
};

inline constexpr int kMaxHooksRunning = 4;

class HookRunner {
public:
    using Report = std::function<void(const std::string&)>;

    HookRunner(std::vector<std::string> words, std::chrono::milliseconds limit, Report report,
               int max_running = kMaxHooksRunning);
    ~HookRunner();
    HookRunner(const HookRunner&) = delete;
    HookRunner& operator=(const HookRunner&) = delete;

    void start(const HookHit& hit);
    // Reaps hooks that ended and kills those past their limit.
    void poll();
    // At the hunt's end: waits up to `grace` for the hooks still running,
    // then kills the rest.
    void finish(std::chrono::milliseconds grace);
    int running() const { return int(m_running.size()); }

private:
    struct Running {
        pid_t pid;
        std::string number;
        std::chrono::steady_clock::time_point deadline;
    };
    void reap(bool kill_all);

    std::vector<std::string> m_words;
    std::chrono::milliseconds m_limit;
    Report m_report;
    int m_max_running;
    std::vector<Running> m_running;
};

}  // namespace qorvex::hunt_cli
