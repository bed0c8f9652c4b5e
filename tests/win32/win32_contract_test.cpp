#include <memory>

#include "support/runtime_contract.h"
#include "win32/win32_driver.h"

namespace {

const bool kContractRegistered = qorvex::test::register_runtime_contract(
    "Win32", [] { return std::make_unique<qorvex::test::Win32Driver>(); });

}  // namespace
