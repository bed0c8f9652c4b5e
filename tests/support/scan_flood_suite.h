#pragma once

// A scan on a real back end against a service that answers every query with
// 100,000 numbers (pool-sim's flood replies): the window's thread keeps
// coming round while the replies are worked through, each cycle lists the
// first numbers of its reply up to the limit, and closing the window ends
// the program at once. A back end's test folder registers the suite once,
// before main runs; its cases appear as <backend>ScanFlood.<case>.

#include <string>

#include "support/runtime_driver.h"

namespace qorvex::test {

bool register_scan_flood_suite(const std::string& backend, const RuntimeDriverFactory& factory);

}  // namespace qorvex::test
