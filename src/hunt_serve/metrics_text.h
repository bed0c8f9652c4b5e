#pragma once

// The targets' figures in the Prometheus text format (version 0.0.4): HELP
// and TYPE lines, base units, `_total` for counters and one `target` label
// per target. The pool and coverage carry a `kind` label, so that a lower
// bound is never read as an estimate.

#include <string>
#include <vector>

#include "hunt/history_reader.h"
#include "hunt/pool_assessment.h"

namespace qorvex::hunt_serve {

struct TargetMetrics {
    const hunt::TargetTotals* totals = nullptr;
    hunt::PoolAssessment assessment;
};

std::string metrics_text(const std::vector<TargetMetrics>& targets);

// A label value as the format writes it: valid UTF-8 (other bytes become
// U+FFFD), with backslash, double quote and line feed escaped.
std::string label_value(std::string_view text);

}  // namespace qorvex::hunt_serve
