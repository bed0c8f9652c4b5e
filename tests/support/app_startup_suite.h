#pragma once

// The program's start-up checked on a real back end: the main window after
// its creation handler, its components, the event bindings a user reaches,
// the notice window and the end of the program. A back end's test folder
// registers the suite once, before main runs:
//
//     const bool kRegistered = qorvex::test::register_app_startup_suite(
//         "Qt", [] { return std::make_unique<QtDriver>(); });
//
// The cases then appear as <backend>AppStartUp.<case>, each on a fresh driver.

#include <string>

#include "support/runtime_driver.h"

namespace qorvex::test {

bool register_app_startup_suite(const std::string& backend, const RuntimeDriverFactory& factory);

}  // namespace qorvex::test
