#pragma once

#include <string>

#include "web/clock.h"

namespace qorvex::web {

// The millisecond time stamp that the number-pool query carries: whole
// seconds from local 1970-01-01 08:00:00 (the local clock read as UTC+8)
// followed by three digits of milliseconds, normally 13 digits. With
// `seconds_only` the text is cut or padded to 10 digits.
std::string time_stamp_text(Clock& clock, bool seconds_only = false);

}  // namespace qorvex::web
