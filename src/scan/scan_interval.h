#pragma once

// The scan interval the user types in seconds, turned into the period of the
// scan timer. Fractions are honoured ("2.5" is 2500 ms, not 2 ms), a value
// beyond the timer's reach is clamped to its largest period, and anything
// that is not a positive number of milliseconds gives 0, which keeps the
// timer stopped.

#include <limits>
#include <string_view>

namespace qorvex::scan {

// The timer period is an int of milliseconds (about 24.8 days at most).
inline constexpr int kLargestTimerPeriodMs = std::numeric_limits<int>::max();

// Leading white space is skipped and an optional sign taken; then digits
// with at most one decimal point, up to the first other character.
// Full-width digits, signs and the full-width point count as their ASCII
// forms. Parts of a millisecond are dropped.
int timer_period_ms(std::string_view seconds_text);

}  // namespace qorvex::scan
