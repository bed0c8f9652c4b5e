// The runtime contract, run on the Qt back end with real input.

#include "support/runtime_contract.h"

#include <memory>

#include "qt/qt_driver.h"

namespace {

[[maybe_unused]] const bool kContractRegistered = qorvex::test::register_runtime_contract(
    "Qt", [] { return std::make_unique<qorvex::test::QtDriver>(); });

}  // namespace
