#include "hunt/pool_assessment.h"

#include <algorithm>

#include "hunt/lower_bound_estimate.h"
#include "hunt/sample_coverage.h"

namespace qorvex::hunt {

PoolAssessment assess_pool(const CaptureHistory& history) {
    PoolAssessment assessment;
    const auto uniform = estimate_pool(history);
    if (uniform) {
        assessment.test = test_uniform_draws(history, uniform->pool);
        if (assessment.test.fits) {
            assessment.model = DrawModel::Uniform;
        } else if (assessment.test.rejects) {
            assessment.model = DrawModel::Uneven;
        } else if (assessment.test.tested) {
            assessment.model = DrawModel::Doubtful;
        }
    }
    const auto bound = estimate_pool_lower_bound(history);
    if (assessment.model == DrawModel::Uniform) {
        assessment.estimate = uniform;
        assessment.stop_coverage = uniform->coverage;
        if (bound) {
            assessment.estimate->low = std::min(uniform->low, bound->low);
            assessment.estimate->high = std::max(uniform->high, bound->high);
        }
    } else if (bound) {
        assessment.estimate = bound;
        assessment.lower_bound = true;
        if (bound->high > 0) {
            assessment.stop_coverage = double(history.distinct_numbers) / bound->high;
        }
    }
    assessment.sample_coverage = sample_coverage(history);
    if (assessment.sample_coverage) {
        assessment.expected_new_per_cycle =
            expected_new_per_cycle(history, *assessment.sample_coverage);
    }
    return assessment;
}

}  // namespace qorvex::hunt
