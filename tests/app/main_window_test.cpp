#include "app/main_window.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "runtime/headless/headless_runtime.h"
#include "support/app_fakes.h"

namespace qorvex::app {
namespace {

TEST(RunProgram, ReportsTheFatalErrorAndEndsWithMinusOneWhenTheMainWindowCannotBeMade) {
    runtime::HeadlessRuntime runtime;
    test::AppTestServices services;
    runtime.set_window_creation_fails(true);

    EXPECT_EQ(run_program(runtime, services.services()), -1);
    EXPECT_EQ(runtime.message_boxes(),
              std::vector<std::string>{"运行时出错!\r\n\r\n错误信息：载入启动窗口失败\r\n"});
    EXPECT_TRUE(runtime.windows().empty());
}

TEST(RunProgram, EndsWithExitCode0OnceTheUserClosesTheMainWindow) {
    runtime::HeadlessRuntime runtime;
    test::AppTestServices services;
    int seen_width = 0;
    // Runs inside the message loop, once the program has shown its window.
    runtime.post([&] {
        const std::vector<std::shared_ptr<runtime::Form>> windows = runtime.windows();
        ASSERT_EQ(windows.size(), 1U);
        seen_width = windows.front()->window_width();
        runtime.close(*windows.front());
    });

    EXPECT_EQ(run_program(runtime, services.services()), 0);
    EXPECT_EQ(seen_width, 980);
    EXPECT_TRUE(runtime.message_boxes().empty());
}

TEST(FatalErrorReport, FramesTheMessageLikeEveryRunTimeError) {
    EXPECT_EQ(fatal_error_report("x"), "运行时出错!\r\n\r\n错误信息：x\r\n");
}

}  // namespace
}  // namespace qorvex::app
