// `qorvex-hunt notify-test` as a user runs it: one test message per
// channel, the service's answer printed with secrets masked, and a
// non-zero exit when any channel refused.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "hunt_notify_send/receivers.h"

namespace qorvex::notify_test {
namespace {

struct CommandRun {
    int exit_code = -1;
    std::string output;  // standard output and error together
};

CommandRun notify_test(const std::string& args) {
    const std::string command = std::string(QORVEX_HUNT_BINARY) + " notify-test " + args + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    CommandRun run;
    if (pipe == nullptr) {
        return run;
    }
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        run.output.append(buffer, n);
    }
    const int status = pclose(pipe);
    run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::string host(const Receiver& receiver) {
    return "127.0.0.1:" + std::to_string(receiver.port());
}

TEST(NotifyTestCommand, ARefusalFailsAndShowsTheMaskedUrlAndTheServicesWords) {
    HttpReceiver receiver("refuse");
    ::setenv("QORVEX_TEST_HOOK_TOKEN", "tok-sekret-4242", 1);
    const std::string url =
        "json://" + host(receiver) + "/hook?+Authorization={env:QORVEX_TEST_HOOK_TOKEN}";
    const CommandRun run = notify_test("--notify '" + url + "'");
    EXPECT_EQ(run.exit_code, 1) << run.output;
    EXPECT_NE(run.output.find("FAILED " + url), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("token rejected: ***"), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("tok-sekret-4242"), std::string::npos) << run.output;
    const auto got = receiver.next();
    ASSERT_TRUE(got.is_object());
    EXPECT_EQ(got["headers"]["authorization"], "tok-sekret-4242");
}

TEST(NotifyTestCommand, SendsOneEnglishMessagePerChannelAndSucceeds) {
    HttpReceiver receiver("ok");
    const CommandRun run = notify_test("--lang en --notify json://" + host(receiver) +
                                       "/hook --notify ntfy://" + host(receiver) + "/hunt-topic");
    EXPECT_EQ(run.exit_code, 0) << run.output;
    for (const char* service : {"webhook", "ntfy"}) {
        const auto got = receiver.next();
        ASSERT_TRUE(got.is_object());
        EXPECT_EQ(got["service"], service);
        EXPECT_NE(got["body"].get<std::string>().find("test message"), std::string::npos);
    }
}

TEST(NotifyTestCommand, AUrlFileIsReadOnlyWhenPrivate) {
    HttpReceiver receiver("ok");
    const auto path =
        std::filesystem::temp_directory_path() / ("qorvex-channels-" + std::to_string(::getpid()));
    std::ofstream(path) << "# my channels\n\njson://" << host(receiver) << "/from-file\n";
    ::chmod(path.c_str(), 0644);
    const CommandRun shared = notify_test("--notify-file " + path.string());
    EXPECT_EQ(shared.exit_code, 2) << shared.output;
    EXPECT_NE(shared.output.find("chmod 600"), std::string::npos) << shared.output;
    EXPECT_TRUE(receiver.next(std::chrono::milliseconds(200)).is_null());

    ::chmod(path.c_str(), 0600);
    const CommandRun private_file = notify_test("--notify-file " + path.string());
    EXPECT_EQ(private_file.exit_code, 0) << private_file.output;
    const auto got = receiver.next();
    ASSERT_TRUE(got.is_object());
    EXPECT_EQ(got["path"], "/from-file");
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace qorvex::notify_test
