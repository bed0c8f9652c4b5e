#pragma once

// The words the plain and the live output share for a target's state.

#include <optional>
#include <string>

#include "hunt/pool_estimate.h"
#include "hunt_cli/hunt_view.h"

namespace qorvex::hunt_cli {

// "pool 4012 (95%: 3900-4150), coverage 31%", or why there is none yet.
std::string estimate_text(const std::optional<hunt::PoolEstimate>& estimate);

// "12.3" for a rate, with no more digits than it needs.
std::string rate_text(double value);

// "in 3 s", "in 1 min 40 s".
std::string seconds_text(hunt::TimeMs ms);

// One target's status line: cycles, seen, new, yield, coverage and, while
// the hunt runs, the next query or the note.
std::string target_status_text(const TargetLine& line, bool with_next = true);

}  // namespace qorvex::hunt_cli
