// Every test in tests/qt runs inside one QApplication, made before the first
// test starts and destroyed after the last one ends. Test files in this folder
// may therefore make widgets and QtRuntime objects freely inside their tests
// (never in static initialisers, which run before the application exists).
// The folder is linked with GTest::gtest_main; this file only registers the
// environment that owns the application. Unless the caller chose a platform,
// the tests run on the offscreen one, as ctest does.

#include <gtest/gtest.h>

#include <QApplication>
#include <array>
#include <memory>

namespace {

class QtApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        m_application = std::make_unique<QApplication>(m_argc, m_argv.data());
    }

    void TearDown() override { m_application.reset(); }

private:
    // QApplication keeps references to both for its whole life.
    char m_name[9] = "qt_tests";
    int m_argc = 1;
    std::array<char*, 2> m_argv{m_name, nullptr};
    std::unique_ptr<QApplication> m_application;
};

[[maybe_unused]] const ::testing::Environment* const kQtApplication =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

}  // namespace
