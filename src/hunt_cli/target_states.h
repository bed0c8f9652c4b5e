#pragma once

// What a hunt does with each of its targets (scanning, resting and why,
// stopped and why), written to the history when it changes, so that the web
// page of `serve` can show it. A state that cannot be written is only shown
// later: it is not a figure and the hunt goes on without it.

#include <optional>
#include <string>
#include <vector>

#include "hunt/store.h"

namespace qorvex::hunt_cli {

class TargetStates {
public:
    TargetStates(hunt::HuntStore& store, std::vector<std::string> labels);

    // Records the target's state when it differs from the last one
    // recorded. The store's complaint, when it refused, to show the user.
    std::optional<std::string> set(std::size_t target, std::string_view state,
                                   const std::string& reason, hunt::TimeMs now);

    // Every target not stopped yet is stopped, for `reason`.
    void end_all(const std::string& reason, hunt::TimeMs now);

private:
    hunt::HuntStore& m_store;
    std::vector<std::string> m_labels;
    std::vector<std::pair<std::string, std::string>> m_last;  // state, reason
};

}  // namespace qorvex::hunt_cli
