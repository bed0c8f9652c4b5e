#include <memory>

#include "support/app_startup_suite.h"
#include "win32/win32_driver.h"

namespace {

const bool kStartUpRegistered = qorvex::test::register_app_startup_suite(
    "Win32", [] { return std::make_unique<qorvex::test::Win32Driver>(); });

}  // namespace
