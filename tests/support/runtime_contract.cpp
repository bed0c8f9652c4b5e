#include "support/runtime_contract.h"

#include "support/runtime_contract_cases.h"

namespace qorvex::test {

bool register_runtime_contract(const std::string& backend, RuntimeDriverFactory factory) {
    const std::string suite = backend + "RuntimeContract";
    for (auto cases :
         {contract::component_cases(), contract::event_cases(), contract::window_cases(),
          contract::thread_cases(), contract::editing_cases()}) {
        register_driver_cases(suite, factory, cases);
    }
    return true;
}

}  // namespace qorvex::test
