#include "hunt_cli/json_text.h"

#include <cmath>

#include "hunt/class_names.h"

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

void add_estimate(nlohmann::json& object, const std::optional<hunt::PoolEstimate>& estimate) {
    if (!estimate) {
        object["pool"] = object["pool_low"] = object["pool_high"] = object["coverage"] = nullptr;
        return;
    }
    object["pool"] = std::round(estimate->pool);
    object["pool_low"] = std::floor(estimate->low);
    object["pool_high"] =
        std::isfinite(estimate->high) ? nlohmann::json(std::ceil(estimate->high)) : nullptr;
    object["coverage"] = estimate->coverage;
}

}  // namespace qorvex::hunt_cli
