#pragma once

// One JSON object on one line, for --json and the JSON lines export. Bytes
// that are not UTF-8 are replaced with U+FFFD rather than failing the write.

#include <nlohmann/json.hpp>
#include <string>

#include "hunt/pool_estimate.h"
#include "hunt/store.h"

namespace qorvex::hunt_cli {

std::string json_line(const nlohmann::json& object);

// The class captions of a mask as an array.
nlohmann::json json_classes(hunt::ClassMask classes);

// pool, pool_low, pool_high (null when unbounded) and coverage; nulls
// before there is an estimate.
void add_estimate(nlohmann::json& object, const std::optional<hunt::PoolEstimate>& estimate);

}  // namespace qorvex::hunt_cli
