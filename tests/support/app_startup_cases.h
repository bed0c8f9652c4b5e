#pragma once

// The cases of the start-up suite; app_startup_suite.cpp registers them. Only
// the suite's own files include this header.

#include <span>

#include "support/runtime_driver.h"

namespace qorvex::test::startup {

std::span<const DriverCase> form_cases();
std::span<const DriverCase> event_cases();

}  // namespace qorvex::test::startup
