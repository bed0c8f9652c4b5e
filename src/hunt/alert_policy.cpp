#include "hunt/alert_policy.h"

#include "hunt/class_names.h"
#include "hunt/nearest_names.h"
#include "scan/pattern_classes.h"

namespace qorvex::hunt {

AlertPolicyParse make_alert_policy(std::span<const std::string> captions,
                                   const std::optional<std::string>& pattern,
                                   rx::RegexEngine& engine) {
    AlertPolicy policy;
    for (const auto& caption : captions) {
        const auto bit = class_bit_of(caption);
        if (!bit || *bit == kCustomClassBit) {
            auto known = class_captions();
            known.pop_back();  // the custom class comes from --alert-pattern
            return {std::nullopt,
                    "unknown class \"" + caption + "\"; the classes are " + joined_names(known)};
        }
        policy.classes |= ClassMask(1U << unsigned(*bit));
    }
    if (pattern) {
        if (pattern->empty()) {
            return {std::nullopt, "the alert pattern is empty"};
        }
        if (!engine.compile(scan::custom_pattern(*pattern))) {
            return {std::nullopt, "the alert pattern \"" + *pattern +
                                      "\" is not a pattern the regex engine accepts"};
        }
        policy.custom_text = *pattern;
        policy.classes |= ClassMask(1U << unsigned(kCustomClassBit));
    }
    return {std::move(policy), {}};
}

}  // namespace qorvex::hunt
