#pragma once

// Which new numbers are hits: those in one of the chosen pattern classes, or
// matching the hunt's own pattern, which follows the rules of the window's
// custom pattern (the text is put into \d*( … )\d* unchanged).

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "hunt/store.h"
#include "regex/regex_engine.h"

namespace qorvex::hunt {

struct AlertPolicy {
    ClassMask classes = 0;    // the custom bit is set when there is a pattern
    std::string custom_text;  // empty: no pattern of the hunt's own
};

struct AlertPolicyParse {
    std::optional<AlertPolicy> policy;
    std::string error;
};

// Refuses an unknown caption (listing the known ones) and a pattern the
// engine rejects.
AlertPolicyParse make_alert_policy(std::span<const std::string> captions,
                                   const std::optional<std::string>& pattern,
                                   rx::RegexEngine& engine);

}  // namespace qorvex::hunt
