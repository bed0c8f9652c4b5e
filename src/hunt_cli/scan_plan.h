#pragma once

// The scan's options checked and turned into what the hunt runs on; every
// refusal here is a usage error.

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "hunt/alert_policy.h"
#include "hunt/scheduler.h"
#include "hunt/target.h"
#include "hunt_cli/scan_command.h"
#include "regex/regex_engine.h"

namespace qorvex::hunt_cli {

struct ScanPlan {
    std::vector<hunt::Target> targets;
    hunt::SchedulerSettings schedule;
    hunt::AlertPolicy alerts;
    std::optional<std::vector<std::string>> hook_words;
};

// The plan, or every reason the options are refused.
std::variant<ScanPlan, std::vector<std::string>> make_scan_plan(const ScanOptions& options,
                                                                rx::RegexEngine& engine);

}  // namespace qorvex::hunt_cli
