#pragma once

namespace qorvex::hunt_cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;  // the work failed: the store, the network
inline constexpr int kExitUsage = 2;    // the command line asks for something impossible

}  // namespace qorvex::hunt_cli
