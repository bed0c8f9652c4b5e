#pragma once

// The runtime contract: what handlers rely on from every back end's Runtime
// and Form (component access by name, text kept exactly, events raised or not
// raised, modal windows, destroyed windows, the end of the message loop,
// results of workers carried to the user-interface thread).
//
// A back end's test folder runs it by registering a driver factory once,
// before main runs, from any of its test files:
//
//     const bool kContractRegistered = qorvex::test::register_runtime_contract(
//         "Qt", [] { return std::make_unique<QtDriver>(); });
//
// The cases then appear as <backend>RuntimeContract.<case>; every case makes
// a fresh driver. Cases that need recorded message boxes or opened addresses
// are skipped for drivers that do not record them.

#include <string>

#include "support/runtime_driver.h"

namespace qorvex::test {

bool register_runtime_contract(const std::string& backend, RuntimeDriverFactory factory);

}  // namespace qorvex::test
