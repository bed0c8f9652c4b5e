#pragma once

// Runs the --on-hit command for each hit, beside the scan and never in its
// way: the command is started straight from its words (no shell), with the
// hit in its environment (QORVEX_NUMBER, QORVEX_CLASSES, QORVEX_TARGET) and
// its standard input empty. Its output (standard output and error) is read
// back and reported line by line with the hit's number, so that the hunt's
// own output stays clean and the live status never draws over it. At most a few run at once; the
// hits beyond wait their turn in a bounded queue (a hit that finds it full is reported, never
// silently dropped), so that every hit's command runs unless the hunt is stopped. One that runs
// past its time limit is killed with its process group. Whatever goes wrong (a missing program, a
// failure, a hang) is reported and the scan goes on.
//
// All calls come from the main thread; poll() reaps without waiting.

#include <sys/types.h>

#include <chrono>
#include <deque>
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
// A burst of hits larger than this (a first cycle with a broad pattern) is
// more than a notification hook is for; the rest are reported instead.
inline constexpr int kMaxHooksWaiting = 256;

class HookRunner {
public:
    using Report = std::function<void(const std::string&)>;

    HookRunner(std::vector<std::string> words, std::chrono::milliseconds limit, Report report,
               int max_running = kMaxHooksRunning, int max_waiting = kMaxHooksWaiting);
    ~HookRunner();
    HookRunner(const HookRunner&) = delete;
    HookRunner& operator=(const HookRunner&) = delete;

    // Runs the hit's command now, or once a running one has ended.
    void start(const HookHit& hit);
    // Reaps hooks that ended, kills those past their limit and starts the
    // waiting ones that now have room.
    void poll();
    // At the hunt's end: runs every waiting hook and waits for them all,
    // each within its time limit. Once `stopped` says so, the waiting ones
    // are reported and dropped, and the running ones get up to `grace`
    // before they are killed.
    void finish(std::chrono::milliseconds grace, const std::function<bool()>& stopped);
    int running() const { return int(m_running.size()); }
    int waiting() const { return int(m_waiting.size()); }

private:
    struct Running {
        pid_t pid;
        std::string number;
        std::chrono::steady_clock::time_point deadline;
        int output;           // the read end of its output pipe
        std::string partial;  // output after its last full line
    };
    void reap(bool kill_all);
    // Reports the hook's complete output lines so far; once it has ended,
    // the rest too, and closes the pipe.
    void pass_on_output(Running& hook, bool ended);
    void report_not_run();
    void spawn(const HookHit& hit);

    std::vector<std::string> m_words;
    std::chrono::milliseconds m_limit;
    Report m_report;
    int m_max_running;
    std::size_t m_max_waiting;
    std::vector<Running> m_running;
    std::deque<HookHit> m_waiting;  // oldest first
    std::size_t m_not_run = 0;      // hits that found the queue full since it last had room
};

}  // namespace qorvex::hunt_cli
