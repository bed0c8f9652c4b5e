#pragma once

// The cases of the runtime contract, one function each; runtime_contract.cpp
// registers them. Only the contract's own files include this header.

#include <span>

#include "support/runtime_driver.h"

namespace qorvex::test::contract {

using Case = DriverCase;

std::span<const Case> component_cases();
std::span<const Case> event_cases();
std::span<const Case> window_cases();
std::span<const Case> thread_cases();
std::span<const Case> editing_cases();

}  // namespace qorvex::test::contract
