#pragma once

// Facts about the platform a test binary runs on, for the few places where a
// platform's own component behaves differently and the test says why.

#include <memory>

#include "regex/processor_budget.h"
#include "regex/regex_engine.h"

namespace qorvex::test_support {

// True when the Windows test binary runs under Wine rather than on Windows.
bool running_under_wine();

// The platform's regex engine, its processor-time budget measured by the
// given clocks: the wall clock and the searching thread's processor time.
std::unique_ptr<rx::RegexEngine> make_engine_with_clocks(rx::ClockReading wall,
                                                         rx::ClockReading processor);

}  // namespace qorvex::test_support
