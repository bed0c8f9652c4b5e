#pragma once

// One JSON object on one line, for --json and the JSON lines export. Bytes
// that are not UTF-8 are replaced with U+FFFD rather than failing the write.

#include <nlohmann/json.hpp>
#include <string>

#include "hunt/pool_assessment.h"
#include "hunt/store.h"

namespace qorvex::hunt_cli {

std::string json_line(const nlohmann::json& object);

// The class captions of a mask as an array.
nlohmann::json json_classes(hunt::ClassMask classes);

// model ("uniform", "doubtful", "uneven" or "untested"); pool, pool_low, pool_high
// (null when unbounded), pool_is_lower_bound and coverage (nulls before
// there is an estimate; beside a lower bound, coverage is an upper bound);
// stop_coverage, the figure the coverage rule reads; sample_coverage,
// expected_new_per_cycle and expected_new_per_hour (nulls before two cycles).
void add_assessment(nlohmann::json& object, const hunt::PoolAssessment& assessment,
                    double expected_new_per_hour);

}  // namespace qorvex::hunt_cli
