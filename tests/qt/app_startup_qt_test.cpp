#include <memory>

#include "qt/qt_driver.h"
#include "support/app_startup_suite.h"

namespace {

[[maybe_unused]] const bool kStartUpRegistered = qorvex::test::register_app_startup_suite(
    "Qt", [] { return std::make_unique<qorvex::test::QtDriver>(); });

}  // namespace
