#pragma once

// Ends a blocking exchange from outside. The platform HTTP libraries of
// Windows wait inside their calls with no deadline for the whole exchange
// and no stop of their own; what they offer is closing the request's handle
// from another thread, which makes the waiting call fail. Not every
// implementation honours that at once (Wine's ends the call only when the
// next byte arrives or the server hangs up), so the caller does not wait for
// it: the call runs on a thread of its own, and once a stop is requested or
// the deadline passes the handle is closed and the call, if it does not end
// within a short grace, is left to end by itself.

#include <chrono>
#include <functional>
#include <stop_token>

namespace qorvex::web {

using AbortClock = std::chrono::steady_clock;

// How long an aborted call is waited for before it is left to itself.
inline constexpr std::chrono::milliseconds kAbortGrace{200};

// Runs `call` on a thread of its own until it ends, `stop` is requested or
// `deadline` passes. True when the call ran to its end. False when it was
// given up: `abort` has run, and the call may still be running, so
// everything it touches must be owned by it (held in shared pointers it
// captured), never borrowed from the caller.
bool run_abortable(const std::stop_token& stop, AbortClock::time_point deadline,
                   std::function<void()> call, const std::function<void()>& abort);

}  // namespace qorvex::web
