#include <memory>

#include "support/scan_flood_suite.h"
#include "win32/win32_driver.h"

namespace {

const bool kFloodRegistered = qorvex::test::register_scan_flood_suite(
    "Win32", [] { return std::make_unique<qorvex::test::Win32Driver>(); });

}  // namespace
