#include "hunt_cli/stop_signals.h"

#include <unistd.h>

#include <atomic>
#include <csignal>

namespace qorvex::hunt_cli {

namespace {

// Lock-free, so that the handler may touch it on whichever thread it runs.
std::atomic<int> g_stops{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void on_stop_signal(int /*signal*/) {
    if (g_stops.fetch_add(1) > 0) {
        _exit(kInterruptedExitCode);
    }
}

}  // namespace

void install_stop_signals() {
    struct sigaction action {};
    action.sa_handler = on_stop_signal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, nullptr);
}

bool stop_requested() {
    return g_stops > 0;
}

void request_stop() {
    int none = 0;
    g_stops.compare_exchange_strong(none, 1);
}

}  // namespace qorvex::hunt_cli
