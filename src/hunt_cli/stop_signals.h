#pragma once

// Ctrl-C and SIGTERM while a hunt runs: the first asks the hunt to stop after
// the write in progress, with its summary; the second ends the program at
// once with status 130. That is safe at any moment, since every cycle is
// written in one transaction that the store either finishes or rolls back
// on its next open. Writing to a closed pipe ends the hunt like a first stop.

namespace qorvex::hunt_cli {

inline constexpr int kInterruptedExitCode = 130;

void install_stop_signals();
bool stop_requested();
void request_stop();

}  // namespace qorvex::hunt_cli
