#include <memory>

#include "support/app_startup_suite.h"
#include "support/headless_driver.h"

namespace {

const bool kStartUpRegistered = qorvex::test::register_app_startup_suite(
    "Headless", [] { return std::make_unique<qorvex::test::HeadlessDriver>(); });

}  // namespace
