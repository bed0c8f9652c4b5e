#include "support/runtime_driver.h"

#include <gtest/gtest.h>

#include <utility>

namespace qorvex::test {

namespace {

class DriverTest : public ::testing::Test {
public:
    DriverTest(RuntimeDriverFactory factory, void (*body)(RuntimeDriver&))
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

void register_driver_cases(const std::string& suite, const RuntimeDriverFactory& factory,
                           std::span<const DriverCase> cases) {
    for (const DriverCase& one : cases) {
        ::testing::RegisterTest(suite.c_str(), one.name, nullptr, nullptr, __FILE__, __LINE__,
                                [factory, body = one.body]() -> ::testing::Test* {
                                    return new DriverTest(factory, body);
                                });
    }
}

}  // namespace qorvex::test
