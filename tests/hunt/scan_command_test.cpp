// The real qorvex-hunt scanning the stand-in service, in its failure modes.

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <random>
#include <set>
#include <thread>

#include "hunt/sqlite/sqlite_connection.h"
#include "hunt_process.h"
#include "support/pool_sim_fixture.h"
#include "web/platform_transports.h"
#include "web/web_access.h"

namespace qorvex::hunt_test {
namespace {

using namespace std::chrono_literals;
using nlohmann::json;

constexpr double kPoolSize = 4000;

std::vector<std::string> scan_args(const test::PoolSim& sim, const ScratchFolder& folder,
                                   std::vector<std::string> extra) {
    std::vector<std::string> args{"scan",   "--db",       folder.path("hunt.db").string(),
                                  "--host", sim.host(),   "--interval",
                                  "0.05",   "--max-rate", "100000",
                                  "--json", "--target",   "Tavikmax/广东/深圳"};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
}

std::vector<json> events(const std::vector<json>& lines, const std::string& kind) {
    std::vector<json> found;
    for (const auto& line : lines) {
        if (line["event"] == kind) {
            found.push_back(line);
        }
    }
    return found;
}

void control(const test::PoolSim& sim, const std::string& query) {
    const auto http = web::make_platform_http_transport();
    web::web_access(*http, "https://" + sim.host() + "/__control?" + query);
}

TEST(ScanCommand, UsageErrorsExitTwoAndTouchNothing) {
    ScratchFolder folder;
    const auto db = folder.path("hunt.db").string();
    const struct {
        const char* label;
        std::vector<std::string> args;
        const char* err_holds;
    } cases[] = {
        {"wrong province", {"--target", "Tavikmax/广冬/深圳"}, "nearest: 广东"},
        {"card without a pool", {"--target", "2/广东/深圳"}, "no number pool"},
        {"zero interval", {"--target", "0/广东/深圳", "--interval", "0"}, "--interval"},
        {"unknown class", {"--target", "0/广东/深圳", "--alert", "AAAA"}, "尾AAA"},
        {"rejected pattern", {"--target", "0/广东/深圳", "--alert-pattern", "8("}, "not a pattern"},
        {"coverage above one",
         {"--target", "0/广东/深圳", "--stop-at-coverage", "1.5"},
         "--stop-at-coverage"},
        {"unclosed quote", {"--target", "0/广东/深圳", "--on-hit", "\"x"}, "--on-hit"},
        {"no target", {}, "--target"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.label);
        std::vector<std::string> args{"scan", "--db", db};
        args.insert(args.end(), row.args.begin(), row.args.end());
        const auto finished = run_hunt(args);
        EXPECT_EQ(finished.exit_code, 2);
        EXPECT_NE(finished.err.find(row.err_holds), std::string::npos) << finished.err;
        EXPECT_TRUE(finished.out.empty());
        EXPECT_FALSE(std::filesystem::exists(db));
    }
    EXPECT_EQ(run_hunt({}).exit_code, 2) << "no command";
}

TEST(ScanCommand, SeveralTargetsStopAtCoverageWithTheTrueSizeInTheInterval) {
    test::PoolSim sim;
    ScratchFolder folder;
    const auto hooked = folder.path("hits");
    const auto finished = run_hunt(scan_args(
        sim, folder,
        {"--target", "星河梦想e卡/北京/北京", "--stop-at-coverage", "0.6", "--alert", "ABCDABCD",
         "--on-hit", "sh -c \"echo $QORVEX_NUMBER $QORVEX_TARGET >> " + hooked.string() + "\""}));
    ASSERT_EQ(finished.exit_code, 0) << finished.err;
    const auto lines = json_lines(finished.out);
    const auto ended = events(lines, "ended");
    ASSERT_EQ(ended.size(), 2U);
    std::set<std::string> targets;
    for (const auto& cycle : events(lines, "cycle")) {
        targets.insert(cycle["target"]);
        if (!cycle["coverage"].is_null() && cycle["coverage"] > 0.5 &&
            !cycle["pool_is_lower_bound"].get<bool>()) {
            EXPECT_LE(cycle["pool_low"], kPoolSize) << cycle;
            EXPECT_GE(cycle["pool_high"], kPoolSize) << cycle;
        }
    }
    EXPECT_EQ(targets, (std::set<std::string>{"Tavikmax/广东/深圳", "星河梦想e卡/北京/北京"}));
    for (const auto& end : ended) {
        EXPECT_GE(end["coverage"], 0.6);
    }
    const auto summary = events(lines, "summary");
    ASSERT_EQ(summary.size(), 1U);
    EXPECT_EQ(summary[0]["reason"], "every target reached its stop rule");

    // Every hit's hook ran, once: a burst waits its turn.
    std::multiset<std::string> hits;
    for (const auto& hit : events(lines, "hit")) {
        EXPECT_NE(std::find(hit["classes"].begin(), hit["classes"].end(), "ABCDABCD"),
                  hit["classes"].end())
            << hit;
        hits.insert(hit["number"].get<std::string>() + " " + hit["target"].get<std::string>());
    }
    std::ifstream hook_lines(hooked);
    std::multiset<std::string> hooked_hits;
    for (std::string line; std::getline(hook_lines, line);) {
        hooked_hits.insert(line);
    }
    EXPECT_FALSE(hits.empty());
    EXPECT_EQ(hooked_hits, hits);
}

// Against a service that favours some numbers (exponential weights), the
// hunter flags the uneven draws, shows its pool as a lower bound only, and
// each stop rule stops on its own figure, not before a true coverage of 75%.
TEST(ScanCommand, UnevenDrawsAreFlaggedAndEachRuleStopsOnItsFigure) {
    const struct {
        const char* label;
        std::vector<std::string> rule;
        const char* stopped_by;
    } cases[] = {
        {"coverage rule", {"--stop-at-coverage", "0.9"}, "lower bound (draws uneven)"},
        {"new-numbers rule", {"--stop-when-new-below", "200000"}, "sample coverage"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.label);
        test::PoolSim sim({.draw_shape = 1});
        ScratchFolder folder;
        const auto finished = run_hunt(scan_args(sim, folder, row.rule));
        ASSERT_EQ(finished.exit_code, 0) << finished.err;
        const auto lines = json_lines(finished.out);
        const auto cycles = events(lines, "cycle");
        ASSERT_GE(cycles.size(), 30U);
        int first_uneven = 0;
        for (std::size_t i = 0; i < cycles.size(); ++i) {
            if (first_uneven == 0 && cycles[i]["model"] == "uneven") {
                first_uneven = int(i) + 1;
            }
            if (!cycles[i]["pool"].is_null() && cycles[i]["model"] != "uniform") {
                EXPECT_TRUE(cycles[i]["pool_is_lower_bound"].get<bool>()) << cycles[i];
            }
        }
        EXPECT_GT(first_uneven, 0);
        EXPECT_LE(first_uneven, 30);
        EXPECT_EQ(cycles.back()["model"], "uneven");
        const auto ended = events(lines, "ended");
        ASSERT_EQ(ended.size(), 1U);
        EXPECT_NE(ended[0]["why"].get<std::string>().find(row.stopped_by), std::string::npos)
            << ended[0];
        EXPECT_GE(cycles.back()["seen"].get<double>() / kPoolSize, 0.75);

        const auto db = folder.path("hunt.db").string();
        const auto report = run_hunt({"report", "--db", db});
        EXPECT_NE(report.out.find("draws uneven, pool at least "), std::string::npos) << report.out;
        const auto json_report = json_lines(run_hunt({"report", "--db", db, "--json"}).out);
        ASSERT_EQ(json_report.size(), 1U);
        EXPECT_EQ(json_report[0]["model"], "uneven");
        EXPECT_EQ(json_report[0]["pool_is_lower_bound"], true);
        EXPECT_EQ(json_report[0]["seen"], cycles.back()["seen"]);
        EXPECT_FALSE(json_report[0]["expected_new_per_hour"].is_null());
    }
}

TEST(ScanCommand, FailuresBackOffAndTheHuntStillEnds) {
    test::PoolSim sim({.failure_rate = 0.3});
    ScratchFolder folder;
    const auto finished = run_hunt(scan_args(sim, folder, {"--stop-at-coverage", "0.5"}));
    ASSERT_EQ(finished.exit_code, 0) << finished.err;
    const auto lines = json_lines(finished.out);
    const auto backoffs = events(lines, "backoff");
    ASSERT_FALSE(backoffs.empty());
    for (const auto& backoff : backoffs) {
        EXPECT_EQ(backoff["outcome"], "rate-limited") << "pool-sim's failures are status 503";
        EXPECT_GE(backoff["retry_in_s"], 0.05);
    }
    EXPECT_EQ(events(lines, "ended").size(), 1U);
}

TEST(ScanCommand, RefusalPageBacksOffLongerEachTimeAndTheTargetResumes) {
    test::PoolSim sim({.reply = "rate-limit"});
    ScratchFolder folder;
    HuntProcess hunt(scan_args(sim, folder, {}));
    std::this_thread::sleep_for(1200ms);
    control(sim, "reply=normal");
    const auto until = std::chrono::steady_clock::now() + 10s;
    while (hunt.out().find("\"outcome\":\"numbers\"") == std::string::npos &&
           std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(50ms);
    }
    hunt.signal(SIGINT);
    const auto finished = hunt.wait();
    EXPECT_EQ(finished.exit_code, 0);
    const auto lines = json_lines(finished.out);
    const auto backoffs = events(lines, "backoff");
    ASSERT_GE(backoffs.size(), 3U);
    for (std::size_t i = 1; i < backoffs.size(); ++i) {
        EXPECT_GE(backoffs[i]["retry_in_s"], backoffs[i - 1]["retry_in_s"]);
    }
    EXPECT_EQ(lines.back()["event"], "summary");
    EXPECT_NE(finished.out.find("\"outcome\":\"numbers\""), std::string::npos)
        << "the target came back by itself";
}

TEST(ScanCommand, TruncatedRepliesStillCount) {
    test::PoolSim sim({.reply = "truncated"});
    ScratchFolder folder;
    const auto finished = run_hunt(scan_args(sim, folder, {"--stop-at-coverage", "0.5"}));
    ASSERT_EQ(finished.exit_code, 0) << finished.err;
    bool short_reply = false;
    for (const auto& cycle : events(json_lines(finished.out), "cycle")) {
        EXPECT_NE(cycle["outcome"], "failed");
        short_reply = short_reply || cycle["numbers_in_reply"] < 200;
    }
    EXPECT_TRUE(short_reply);
}

TEST(ScanCommand, BudgetKeepsBelowTheServicesLimit) {
    const struct {
        const char* label;
        const char* max_rate;
        bool refused;
    } cases[] = {
        {"within the service's limit", "5", false},
        {"beyond it: refused and backing off", "1000", true},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.label);
        test::PoolSim sim({.rate_limit_per_minute = 5});
        ScratchFolder folder;
        auto args = scan_args(sim, folder, {});
        args[8] = row.max_rate;
        HuntProcess hunt(args);
        std::this_thread::sleep_for(1500ms);
        hunt.signal(SIGTERM);
        const auto finished = hunt.wait();
        EXPECT_EQ(finished.exit_code, 0);
        const auto lines = json_lines(finished.out);
        EXPECT_EQ(!events(lines, "backoff").empty(), row.refused);
        if (!row.refused) {
            EXPECT_EQ(events(lines, "cycle").size(), 5U);
            EXPECT_EQ(sim.served().size(), 5U);
        }
    }
}

TEST(ScanCommand, AHistoryLockedPastTheWaitHoldsTheCycleUntilItIsStored) {
    test::PoolSim sim;
    ScratchFolder folder;
    const auto db = folder.path("hunt.db").string();
    HuntProcess hunt(scan_args(sim, folder, {}));
    const auto until = std::chrono::steady_clock::now() + 20s;
    while (hunt.out().empty() && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(10ms);
    }
    {
        // Another program holds the write lock longer than a write waits.
        hunt::sqlite::Connection other(db, hunt::sqlite::Connection::Create::Never);
        other.exec("BEGIN IMMEDIATE");
        std::this_thread::sleep_for(6500ms);
        other.exec("ROLLBACK");
    }
    std::this_thread::sleep_for(500ms);
    hunt.signal(SIGINT);
    const auto finished = hunt.wait();
    EXPECT_EQ(finished.exit_code, 0) << finished.err;
    EXPECT_NE(finished.err.find("locked"), std::string::npos) << finished.err;
    const auto cycles = events(json_lines(finished.out), "cycle");
    hunt::sqlite::Connection check(db, hunt::sqlite::Connection::Create::Never);
    EXPECT_EQ(std::size_t(check.query_integer("SELECT count(*) FROM cycles")), cycles.size())
        << "every cycle shown was stored, the one held through the lock too";
    EXPECT_EQ(std::size_t(check.query_integer("SELECT count(*) FROM cycles")), sim.served().size());
}

TEST(ScanCommand, StopDoesNotWaitForAQueryInFlight) {
    test::PoolSim sim({.delay_ms = 10'000});
    ScratchFolder folder;
    HuntProcess hunt(scan_args(sim, folder, {}));
    std::this_thread::sleep_for(500ms);
    const auto begun = std::chrono::steady_clock::now();
    hunt.signal(SIGINT);
    const auto finished = hunt.wait(5s);
    EXPECT_LT(std::chrono::steady_clock::now() - begun, 2s);
    EXPECT_EQ(finished.exit_code, 0);
    const auto lines = json_lines(finished.out);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back()["event"], "summary");
}

TEST(ScanCommand, FailuresOfTheWorkExitOne) {
    ScratchFolder folder;
    const auto missing_folder =
        run_hunt({"scan", "--db", folder.path("no/such/folder/hunt.db").string(), "--target",
                  "0/广东/深圳"});
    EXPECT_EQ(missing_folder.exit_code, 1) << missing_folder.err;

    HuntProcess unreachable({"scan", "--db", folder.path("hunt.db").string(), "--host",
                             "127.0.0.1:1", "--interval", "0.05", "--target", "0/广东/深圳"});
    std::this_thread::sleep_for(500ms);
    unreachable.signal(SIGINT);
    const auto finished = unreachable.wait();
    EXPECT_EQ(finished.exit_code, 1);
    EXPECT_NE(finished.err.find("never answered"), std::string::npos) << finished.err;
}

TEST(ScanCommand, KilledHunterLosesAtMostTheCycleInFlight) {
    test::PoolSim sim;
    ScratchFolder folder;
    const auto db = folder.path("hunt.db").string();
    std::mt19937 random(20190423);
    std::uniform_int_distribution<int> then_ms(0, 300);
    std::size_t reported = 0;
    for (int round = 0; round < 8; ++round) {
        SCOPED_TRACE("kill " + std::to_string(round));
        auto args = scan_args(sim, folder, {});
        args[6] = "0.01";
        HuntProcess hunt(args);
        // Killed once it writes cycles (a slow start under a sanitizer is no
        // moment of interest), at a random moment among them.
        const auto until = std::chrono::steady_clock::now() + 20s;
        while (hunt.out().empty() && std::chrono::steady_clock::now() < until) {
            std::this_thread::sleep_for(5ms);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(then_ms(random)));
        hunt.signal(SIGKILL);
        const auto finished = hunt.wait();
        EXPECT_EQ(finished.exit_code, 128 + SIGKILL);
        // A cycle is printed once it is stored; the kill may cut its line.
        for (const char c : finished.out) {
            reported += c == '\n' ? 1 : 0;
        }
        hunt::sqlite::Connection check(db, hunt::sqlite::Connection::Create::Never);
        ASSERT_EQ(check.query_text("PRAGMA integrity_check"), "ok");
        EXPECT_GE(std::size_t(check.query_integer("SELECT count(*) FROM cycles")), reported);
    }
    EXPECT_GT(reported, 8U);
    EXPECT_EQ(run_hunt({"report", "--db", db}).exit_code, 0);
}

TEST(ScanCommand, VersionAndHelp) {
    const auto version = run_hunt({"--version"});
    EXPECT_EQ(version.exit_code, 0);
    EXPECT_NE(version.out.find(QORVEX_PROJECT_VERSION), std::string::npos);
    const auto help = run_hunt({"--help"});
    EXPECT_EQ(help.exit_code, 0);
    EXPECT_NE(help.out.find("qorvex-hunt scan --db hunt.db --target Tavikmax/广东/深圳"),
              std::string::npos);
}

}  // namespace
}  // namespace qorvex::hunt_test
