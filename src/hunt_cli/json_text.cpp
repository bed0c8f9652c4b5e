#include "hunt_cli/json_text.h"

#include <cmath>

#include "hunt/class_names.h"
#include "hunt_cli/status_text.h"

namespace qorvex::hunt_cli {

std::string json_line(const nlohmann::json& object) {
    return object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

nlohmann::json json_classes(hunt::ClassMask classes) {
    auto list = nlohmann::json::array();
    for (int bit = 0; bit < hunt::kClassBitCount; ++bit) {
        if ((classes & (1U << unsigned(bit))) != 0) {
            list.push_back(std::string(hunt::class_caption(bit)));
        }
    }
    return list;
}

void add_assessment(nlohmann::json& object, const hunt::PoolAssessment& assessment,
                    double expected_new_per_hour) {
    using nlohmann::json;
    object["model"] = model_name(assessment.model);
    const auto& estimate = assessment.estimate;
    object["pool"] = estimate ? json(std::round(estimate->pool)) : json(nullptr);
    object["pool_low"] = estimate ? json(std::floor(estimate->low)) : json(nullptr);
    object["pool_high"] =
        estimate && std::isfinite(estimate->high) ? json(std::ceil(estimate->high)) : json(nullptr);
    object["pool_is_lower_bound"] = assessment.lower_bound;
    object["coverage"] = estimate ? json(estimate->coverage) : json(nullptr);
    object["stop_coverage"] =
        assessment.stop_coverage ? json(*assessment.stop_coverage) : json(nullptr);
    const bool known = assessment.sample_coverage.has_value();
    object["sample_coverage"] = known ? json(*assessment.sample_coverage) : json(nullptr);
    object["expected_new_per_cycle"] =
        known ? json(assessment.expected_new_per_cycle) : json(nullptr);
    object["expected_new_per_hour"] = known ? json(expected_new_per_hour) : json(nullptr);
}

}  // namespace qorvex::hunt_cli
