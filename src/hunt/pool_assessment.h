#pragma once

// Everything the hunt says about a target's pool, chosen so that no figure
// overstates what is known:
//   - the draw model in force: the uniform-draw test (draw_model_fit.h)
//     decides between the uniform estimate (pool_estimate.h) and the lower
//     bound (lower_bound_estimate.h); until the test can be run, the lower
//     bound is shown, labelled as one;
//   - the sample coverage and the new numbers a reply is expected to hold
//     (sample_coverage.h), which hold under any model;
//   - the share of the pool seen by the figure a stop rule may trust:
//     M / N while the uniform model fits, and otherwise M over the high end
//     of the lower bound's 95% interval. Under uneven draws even that can
//     overstate coverage, by the numbers that are almost never drawn; the
//     evaluation in docs/estimates.md measures by how much.

#include <optional>

#include "hunt/draw_model_fit.h"
#include "hunt/pool_estimate.h"
#include "hunt/store.h"

namespace qorvex::hunt {

enum class DrawModel {
    Untested,  // too few repeats to test the uniform model yet
    Uniform,   // the uniform model fits (passes at 5%, seven bins or more)
    Doubtful,  // neither fits nor is rejected: neither trusted nor rejected
    Uneven,    // rejected at the level that shrinks with the cycles
};

struct PoolAssessment {
    DrawModel model = DrawModel::Untested;
    DrawModelTest test;
    // The uniform estimate while its model fits, else the lower bound.
    std::optional<PoolEstimate> estimate;
    bool lower_bound = false;
    std::optional<double> sample_coverage;
    double expected_new_per_cycle = 0;
    std::optional<double> stop_coverage;
};

PoolAssessment assess_pool(const CaptureHistory& history);

}  // namespace qorvex::hunt
