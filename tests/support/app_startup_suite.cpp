#include "support/app_startup_suite.h"

#include "support/app_startup_cases.h"

namespace qorvex::test {

bool register_app_startup_suite(const std::string& backend, const RuntimeDriverFactory& factory) {
    const std::string suite = backend + "AppStartUp";
    register_driver_cases(suite, factory, startup::form_cases());
    register_driver_cases(suite, factory, startup::event_cases());
    return true;
}

}  // namespace qorvex::test
