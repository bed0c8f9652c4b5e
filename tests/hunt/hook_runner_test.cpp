#include "hunt_cli/hook_runner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace qorvex::hunt_cli {
namespace {

using namespace std::chrono_literals;

struct Reports {
    std::vector<std::string> lines;
    HookRunner::Report sink() {
        return [this](const std::string& line) { lines.push_back(line); };
    }
    bool any_holds(const std::string& part) const {
        for (const auto& line : lines) {
            if (line.find(part) != std::string::npos) {
                return true;
            }
        }
        return false;
    }
};

void poll_until_idle(HookRunner& runner, std::chrono::milliseconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (runner.running() > 0 && std::chrono::steady_clock::now() < until) {
        runner.poll();
        std::this_thread::sleep_for(10ms);
    }
}

std::filesystem::path scratch(const char* name) {
    return std::filesystem::temp_directory_path() /
           (std::string("qorvex-hook-") + std::to_string(::getpid()) + "-" + name);
}

TEST(HookRunner, HitReachesTheCommandThroughItsEnvironmentOnly) {
    const auto out = scratch("env");
    const auto planted = scratch("planted");
    std::filesystem::remove(planted);
    Reports reports;
    HookRunner runner({"sh", "-c",
                       "printf '%s|%s|%s' \"$QORVEX_NUMBER\" \"$QORVEX_CLASSES\" "
                       "\"$QORVEX_TARGET\" > " +
                           out.string()},
                      5s, reports.sink());
    const std::string hostile = "x'; touch " + planted.string() + "; echo '$(id)";
    runner.start({"13088881234", "AAA,4A+", hostile});
    poll_until_idle(runner, 5s);
    std::stringstream text;
    text << std::ifstream(out).rdbuf();
    EXPECT_EQ(text.str(), "13088881234|AAA,4A+|" + hostile);
    EXPECT_FALSE(std::filesystem::exists(planted)) << "received text was never run";
    EXPECT_TRUE(reports.lines.empty());
    std::filesystem::remove(out);
}

TEST(HookRunner, TheHooksOwnOutputIsReportedLineByLine) {
    // Passed on through the report, so that the live status block can clear
    // itself around each line instead of drawing over it.
    Reports reports;
    HookRunner runner({"sh", "-c", "echo one; echo two >&2; printf three"}, 5s, reports.sink());
    runner.start({"13800138000", "AAA", "t"});
    poll_until_idle(runner, 5s);
    EXPECT_EQ(reports.lines,
              (std::vector<std::string>{"hook for 13800138000: one", "hook for 13800138000: two",
                                        "hook for 13800138000: three"}));
}

TEST(HookRunner, TroubleIsReportedAndNeverWaitedFor) {
    const struct {
        const char* label;
        std::vector<std::string> words;
        const char* report_holds;
    } cases[] = {
        {"missing program", {"/nonexistent/qorvex-hook"}, "could not be started"},
        {"failing command", {"sh", "-c", "exit 3"}, "exit status 3"},
        {"hanging command", {"sleep", "30"}, "ran past its time limit"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.label);
        Reports reports;
        HookRunner runner(row.words, 300ms, reports.sink());
        const auto begun = std::chrono::steady_clock::now();
        runner.start({"13000000000", "AAA", "t"});
        EXPECT_LT(std::chrono::steady_clock::now() - begun, 200ms) << "start does not wait";
        poll_until_idle(runner, 5s);
        EXPECT_EQ(runner.running(), 0);
        EXPECT_LT(std::chrono::steady_clock::now() - begun, 3s);
        EXPECT_TRUE(reports.any_holds(row.report_holds));
    }
}

std::vector<std::string> lines_of(const std::filesystem::path& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

TEST(HookRunner, HitsBeyondTheRunningBoundWaitTheirTurnUpToTheQueuesBound) {
    const auto out = scratch("queued");
    std::filesystem::remove(out);
    Reports reports;
    // Two run at once and four wait: of nine hits, the seventh is named and
    // the two after it are counted.
    HookRunner runner({"sh", "-c", "sleep 0.2; echo \"$QORVEX_NUMBER\" >> " + out.string()}, 5s,
                      reports.sink(), 2, 4);
    for (int i = 0; i < 9; ++i) {
        runner.start({std::to_string(i), "AAA", "t"});
    }
    EXPECT_EQ(runner.running(), 2);
    runner.finish(5s, [] { return false; });
    EXPECT_EQ(lines_of(out), (std::vector<std::string>{"0", "1", "2", "3", "4", "5"}));
    ASSERT_EQ(reports.lines.size(), 2U);
    EXPECT_TRUE(reports.any_holds("hook for 6 not run")) << reports.lines[0];
    EXPECT_TRUE(reports.any_holds("2 more hits found the hook queue full")) << reports.lines[1];
    std::filesystem::remove(out);
}

TEST(HookRunner, AStoppedHuntEndsItsHooksAndRunsNoMore) {
    Reports reports;
    HookRunner runner({"sleep", "30"}, 10s, reports.sink(), 1);
    for (int i = 0; i < 3; ++i) {
        runner.start({std::to_string(i), "AAA", "t"});
    }
    EXPECT_EQ(runner.waiting(), 2);
    runner.finish(0ms, [] { return true; });
    EXPECT_EQ(runner.running() + runner.waiting(), 0);
    EXPECT_TRUE(reports.any_holds("2 waiting hooks not run: the hunt was stopped"));
    EXPECT_TRUE(reports.any_holds("hook for 0 was still running at the end"));
}

}  // namespace
}  // namespace qorvex::hunt_cli
