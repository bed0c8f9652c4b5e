#pragma once

// Times as the hunt prints and reads them: ISO 8601.
//
// Printed: UTC with milliseconds, "2026-12-08T22:13:30.123Z".
// Read (--since): a date "2026-12-08" (local midnight), or a date and time
// "2026-12-08T22:13", "2026-12-08T22:13:30" or "2026-12-08T22:13:30.5"
// (a space may stand for the T), in local time unless followed by "Z" or
// an offset "+08:00", "+0800" or "+08".

#include <optional>
#include <string>
#include <string_view>

#include "hunt/store.h"

namespace qorvex::hunt {

std::string iso_time_text(TimeMs time);

std::optional<TimeMs> parse_iso_time(std::string_view text);

}  // namespace qorvex::hunt
