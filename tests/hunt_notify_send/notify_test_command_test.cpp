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

// `prefix` goes before the program, e.g. an `env` that changes its environment.
CommandRun notify_test_with(const std::string& prefix, const std::string& args) {
    const std::string command =
        prefix + " " + QORVEX_HUNT_BINARY + " notify-test " + args + " 2>&1";
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

CommandRun notify_test(const std::string& args) {
    return notify_test_with("", args);
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

TEST(NotifyTestCommand, ADesktopWithoutASessionBusFailsAndSaysWhy) {
    const CommandRun run = notify_test_with(
        "env -u DBUS_SESSION_BUS_ADDRESS XDG_RUNTIME_DIR=/nonexistent", "--notify desktop://");
    EXPECT_EQ(run.exit_code, 1) << run.output;
    EXPECT_NE(run.output.find("no desktop session bus"), std::string::npos) << run.output;
}

struct DesktopCase {
    const char* label;
    const char* receiver_flags;
    int exit_code;
    const char* body_holds;  // in the shown notification; nullptr: none shown
};

// On a private session bus with a stand-in for the desktop's notification
// service (tests/hunt_notify_send/desktop_receiver.py).
TEST(NotifyTestCommand, TheDesktopShowsTheMessageItsWayOrSaysWhyNot) {
    const std::vector<DesktopCase> cases = {
        {"plain text", "", 0, "&act_type="},
        {"markup", "--markup", 0, "&amp;act_type="},
        {"refused", "--refuse", 1, nullptr},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.label);
        const std::string prefix = std::string("dbus-run-session -- /usr/bin/python3 ") +
                                   QORVEX_SOURCE_DIR
                                   "/tests/hunt_notify_send/desktop_receiver.py " +
                                   row.receiver_flags + " --";
        const CommandRun run =
            notify_test_with(prefix, "--lang en --notify 'desktop://?urgency=critical'");
        const auto json_start = run.output.find('{');
        ASSERT_NE(json_start, std::string::npos) << run.output;
        const auto got = nlohmann::json::parse(
            run.output.substr(json_start, run.output.find('\n', json_start) - json_start), nullptr,
            false);
        ASSERT_TRUE(got.is_object()) << run.output;
        EXPECT_EQ(got["exit_code"], row.exit_code) << got["output"];
        if (row.body_holds == nullptr) {
            EXPECT_TRUE(got["shown"].empty());
            EXPECT_NE(got["output"].get<std::string>().find("refused by test"), std::string::npos);
            continue;
        }
        ASSERT_EQ(got["shown"].size(), 1U) << got.dump();
        const auto& shown = got["shown"][0];
        EXPECT_EQ(shown["app"], "qorvex-hunt");
        EXPECT_EQ(shown["summary"], "qorvex-hunt: test message");
        EXPECT_EQ(shown["urgency"], "critical");
        EXPECT_NE(shown["body"].get<std::string>().find(row.body_holds), std::string::npos)
            << shown["body"];
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
