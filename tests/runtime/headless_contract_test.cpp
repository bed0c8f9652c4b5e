#include <memory>

#include "support/headless_driver.h"
#include "support/runtime_contract.h"

namespace {

const bool kContractRegistered = qorvex::test::register_runtime_contract(
    "Headless", []() { return std::make_unique<qorvex::test::HeadlessDriver>(); });

}  // namespace
