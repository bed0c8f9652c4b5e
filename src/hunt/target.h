#pragma once

// A hunt target: one card offer, province and city, named as the window
// shows them ("Tavikmax/广东/深圳"), with the three region codes its queries
// send. Names that are not in the catalogue are refused with the nearest
// names that are.

#include <optional>
#include <string>
#include <string_view>

#include "region/region_codes.h"

namespace qorvex::hunt {

struct Target {
    int card_row = 0;
    std::string label;  // card caption/province/city, as the history stores it
    region::RegionSnapshot codes;
};

struct TargetParse {
    std::optional<Target> target;
    std::string error;  // why the text names no target, with suggestions
};

// `text` is CARD/PROVINCE/CITY; CARD is a card caption or its row number
// (0, 1). Captions match exactly or, for Latin letters, in any case.
TargetParse parse_target(std::string_view text);

}  // namespace qorvex::hunt
