#include "support/runtime_contract.h"

#include <gtest/gtest.h>

#include <utility>

#include "support/runtime_contract_cases.h"

namespace qorvex::test {

namespace {

class ContractTest : public ::testing::Test {
public:
    ContractTest(RuntimeDriverFactory factory, void (*body)(RuntimeDriver&))
        : m_factory(std::move(factory)), m_body(body) {}

    void TestBody() override {
        std::unique_ptr<RuntimeDriver> driver = m_factory();
        ASSERT_NE(driver, nullptr);
        m_body(*driver);
    }

private:
    RuntimeDriverFactory m_factory;
    void (*m_body)(RuntimeDriver&);
};

}  // namespace

bool register_runtime_contract(const std::string& backend, RuntimeDriverFactory factory) {
    const std::string suite = backend + "RuntimeContract";
    for (auto cases : {contract::component_cases(), contract::event_cases(),
                       contract::window_cases(), contract::thread_cases()}) {
        for (const contract::Case& one : cases) {
            ::testing::RegisterTest(suite.c_str(), one.name, nullptr, nullptr, __FILE__, __LINE__,
                                    [factory, body = one.body]() -> ::testing::Test* {
                                        return new ContractTest(factory, body);
                                    });
        }
    }
    return true;
}

}  // namespace qorvex::test
