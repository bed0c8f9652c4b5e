#pragma once

// The name a hunter goes by in a history ("host:pid"), and whether a hunter
// of this machine so named has ended. A hunter killed with SIGKILL cannot
// release what it held; another hunter of the same machine that sees its
// process gone takes over at once, instead of waiting for a lease to run
// out. A hunter of another machine is never taken for gone.

#include <string>
#include <string_view>

namespace qorvex::hunt {

// "host:pid" of this process.
std::string this_hunter_id();

// True only for a hunter of this machine whose process no longer exists.
bool hunter_gone(std::string_view hunter);

}  // namespace qorvex::hunt
