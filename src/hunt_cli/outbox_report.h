#pragma once

// What `report` says of the outbox: per channel how many hits' messages
// wait, were delivered or failed for good, and the latest failures with the
// service's error. Channels appear only as their masked URLs.

#include <string>

#include "hunt/store.h"

namespace qorvex::hunt_cli {

// At most this many failures are listed; the rest are counted.
inline constexpr std::size_t kListedFailures = 20;

// Empty when the history holds no message (or no outbox at all).
std::string outbox_text(hunt::HuntStore& store);
// One JSON object on one line: {"outbox": [...], "failed": [...],
// "failed_not_listed": N}; empty like the text.
std::string outbox_json(hunt::HuntStore& store);

}  // namespace qorvex::hunt_cli
