#include "hunt/stop_rules.h"

#include <gtest/gtest.h>

namespace qorvex::hunt {
namespace {

PoolAssessment assessed(DrawModel model, double stop_coverage, double new_per_cycle) {
    PoolAssessment assessment;
    assessment.model = model;
    assessment.lower_bound = model != DrawModel::Uniform;
    assessment.estimate = PoolEstimate{};
    assessment.stop_coverage = stop_coverage;
    assessment.sample_coverage = 0.9;
    assessment.expected_new_per_cycle = new_per_cycle;
    return assessment;
}

TEST(StopRules, EachRuleStopsOnItsOwnFigureOnly) {
    const StopRules both{0.9, 50};
    const struct {
        const char* label;
        PoolAssessment assessment;
        StopRules rules;
        std::optional<StopFigure> figure;
    } cases[] = {
        {"uniform estimate reached", assessed(DrawModel::Uniform, 0.92, 10), both,
         StopFigure::UniformEstimate},
        {"uneven: the lower bound's figure reached", assessed(DrawModel::Uneven, 0.91, 10), both,
         StopFigure::LowerBound},
        {"uneven and short of it", assessed(DrawModel::Uneven, 0.85, 10), both, std::nullopt},
        // 0.5 new numbers a cycle at 60 cycles an hour: 30 an hour.
        {"few new numbers expected", assessed(DrawModel::Uneven, 0.5, 0.5), both,
         StopFigure::SampleCoverage},
        {"new-numbers rule not asked for", assessed(DrawModel::Uneven, 0.5, 0.5),
         StopRules{0.9, std::nullopt}, std::nullopt},
        {"no rule", assessed(DrawModel::Uniform, 1, 0), StopRules{}, std::nullopt},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.label);
        const auto decision = stop_decision(row.assessment, row.rules, 60);
        ASSERT_EQ(decision.has_value(), row.figure.has_value());
        if (decision) {
            EXPECT_EQ(decision->figure, *row.figure);
        }
    }
    PoolAssessment early;  // no estimate and no sample coverage yet
    EXPECT_FALSE(stop_decision(early, both, 60));
}

}  // namespace
}  // namespace qorvex::hunt
