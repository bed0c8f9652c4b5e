#pragma once

// When a target has been hunted enough. Two rules, each optional:
//   - coverage: the share of the pool seen reaches C, by the figure that
//     does not overstate it (PoolAssessment::stop_coverage): the uniform
//     estimate while its model fits, otherwise the high end of the lower
//     bound's interval. While neither exists the target goes on.
//   - new numbers per hour: the sample coverage's expected new numbers per
//     hour fall below a rate. It holds whatever the service favours, and
//     says nothing of numbers it never serves.

#include <optional>

#include "hunt/pool_assessment.h"

namespace qorvex::hunt {

struct StopRules {
    std::optional<double> coverage;            // 0 … 1
    std::optional<double> new_per_hour_below;  // numbers per hour
};

enum class StopFigure {
    UniformEstimate,  // the coverage rule, on the uniform estimate
    LowerBound,       // the coverage rule, on the lower bound's interval
    SampleCoverage,   // the new-numbers rule
};

struct StopDecision {
    StopFigure figure = StopFigure::UniformEstimate;
    double value = 0;  // the coverage, or the expected new numbers per hour
};

std::optional<StopDecision> stop_decision(const PoolAssessment& assessment, const StopRules& rules,
                                          double cycles_per_hour);

}  // namespace qorvex::hunt
