#include "hunt/stop_rules.h"

namespace qorvex::hunt {

std::optional<StopDecision> stop_decision(const PoolAssessment& assessment, const StopRules& rules,
                                          double cycles_per_hour) {
    if (rules.coverage && assessment.stop_coverage &&
        *assessment.stop_coverage >= *rules.coverage) {
        return StopDecision{
            assessment.lower_bound ? StopFigure::LowerBound : StopFigure::UniformEstimate,
            *assessment.stop_coverage};
    }
    if (rules.new_per_hour_below && assessment.sample_coverage) {
        const double per_hour = assessment.expected_new_per_cycle * cycles_per_hour;
        if (per_hour < *rules.new_per_hour_below) {
            return StopDecision{StopFigure::SampleCoverage, per_hour};
        }
    }
    return std::nullopt;
}

}  // namespace qorvex::hunt
