// `qorvex-hunt scan --notify` against pool-sim and a local receiver whose
// answers are scripted: every hit reaches the receiver once, through
// server errors, Retry-After, a silent service and a reset; a refusal for
// good is kept and shown; no secret is ever printed or stored.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>

#include "hunt_notify_send/receivers.h"
#include "hunt_process.h"
#include "support/pool_sim_fixture.h"

namespace qorvex::notify_test {
namespace {

using namespace std::chrono_literals;
using hunt_test::json_lines;
using hunt_test::run_hunt;
using hunt_test::ScratchFolder;
using nlohmann::json;

constexpr const char* kToken = "tok-sekret-4242";
constexpr const char* kTokenVariable = "QORVEX_TEST_HOOK_TOKEN";

std::string channel_url(const Receiver& receiver) {
    return "json://127.0.0.1:" + std::to_string(receiver.port()) +
           "/hook?+Authorization={env:" + kTokenVariable + "}";
}

std::vector<std::string> scan_args(const test::PoolSim& sim, const ScratchFolder& folder,
                                   const Receiver& receiver) {
    return {"scan",
            "--db",
            folder.path("hunt.db").string(),
            "--host",
            sim.host(),
            "--interval",
            "0.05",
            "--max-rate",
            "100000",
            "--json",
            "--target",
            "Tavikmax/广东/深圳",
            "--alert-pattern",
            "888",
            "--stop-at-coverage",
            "0.3",
            "--notify-backoff",
            "0.2",
            "--notify-timeout",
            "1",
            "--notify",
            channel_url(receiver)};
}

// "13888881234" as the messages group it.
std::string grouped(const std::string& number) {
    return number.substr(0, 3) + " " + number.substr(3, 4) + " " + number.substr(7);
}

std::vector<json> events(const std::string& out, const std::string& kind) {
    std::vector<json> found;
    for (const auto& line : json_lines(out)) {
        if (line["event"] == kind) {
            found.push_back(line);
        }
    }
    return found;
}

std::vector<json> requests(Receiver& receiver) {
    std::vector<json> got;
    for (json request = receiver.next(2s); request.is_object(); request = receiver.next(2s)) {
        got.push_back(request);
    }
    return got;
}

std::string file_bytes(const std::string& path) {
    std::string bytes;
    if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
        char buffer[65536];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
            bytes.append(buffer, n);
        }
        std::fclose(file);
    }
    return bytes;
}

class ScanNotify : public ::testing::Test {
protected:
    void SetUp() override { ::setenv(kTokenVariable, kToken, 1); }
};

TEST_F(ScanNotify, EveryHitArrivesOnceThroughErrorsRetryAfterTimeOutsAndResets) {
    test::PoolSim sim;
    HttpReceiver receiver("500,429,stall,reset,ok");
    ScratchFolder folder;
    const auto finished = run_hunt(scan_args(sim, folder, receiver), 90s);
    ASSERT_EQ(finished.exit_code, 0) << finished.err;

    const auto got = requests(receiver);
    ASSERT_GE(got.size(), 5U);
    std::vector<std::string> answers;
    for (std::size_t i = 0; i < 5; ++i) {
        answers.push_back(got[i]["answer"]);
        EXPECT_EQ(got[i]["headers"]["authorization"], kToken);
    }
    EXPECT_EQ(answers, (std::vector<std::string>{"500", "429", "stall", "reset", "ok"}));
    // The service asked for 7 s after its 429; the backoff alone is 0.4 s at most.
    EXPECT_GE(got[2]["time"].get<double>() - got[1]["time"].get<double>(), 7.0);
    // The first message is the same digest each time, until delivered.
    EXPECT_EQ(json::parse(got[0]["body"].get<std::string>())["text"],
              json::parse(got[4]["body"].get<std::string>())["text"]);

    std::map<std::string, int> delivered;  // each hit's number → times it came in a delivery
    std::size_t deliveries = 0;
    for (const auto& request : got) {
        if (request["answer"] != "ok") {
            continue;
        }
        ++deliveries;
        const std::string text = json::parse(request["body"].get<std::string>())["text"];
        for (const auto& hit : events(finished.out, "hit")) {
            const std::string number = hit["number"];
            delivered[number] += text.find(grouped(number)) != std::string::npos ? 1 : 0;
        }
    }
    const auto hits = events(finished.out, "hit");
    ASSERT_GE(hits.size(), 3U) << "the hunt found too few hits to test the digest";
    for (const auto& hit : hits) {
        EXPECT_EQ(delivered[hit["number"]], 1) << hit["number"];
    }
    EXPECT_LT(deliveries, hits.size()) << "hits within a few seconds go as one digest";
    const auto outbox = events(finished.out, "outbox");
    ASSERT_FALSE(outbox.empty());
    EXPECT_EQ(outbox.back()["waiting"], 0);
    EXPECT_EQ(outbox.back()["failed"], 0);

    const std::string all = finished.out + finished.err +
                            run_hunt({"report", "--db", folder.path("hunt.db").string()}).out +
                            file_bytes(folder.path("hunt.db").string());
    EXPECT_EQ(all.find(kToken), std::string::npos);
}

TEST_F(ScanNotify, ARefusalForGoodIsKeptMaskedAndShownWithTheRetryCommand) {
    test::PoolSim sim;
    HttpReceiver receiver("refuse");
    ScratchFolder folder;
    const std::string db = folder.path("hunt.db").string();
    const auto finished = run_hunt(scan_args(sim, folder, receiver), 90s);
    ASSERT_EQ(finished.exit_code, 0) << finished.err;

    const auto failures = events(finished.out, "notify_failed");
    ASSERT_FALSE(failures.empty()) << finished.out;
    const std::string error = failures.front()["error"];
    EXPECT_NE(error.find("token rejected: ***"), std::string::npos) << error;
    EXPECT_EQ(failures.front()["retry"], "qorvex-hunt notify-retry --db " + db);
    const auto outbox = events(finished.out, "outbox");
    ASSERT_FALSE(outbox.empty());
    EXPECT_GT(outbox.back()["failed"].get<int>(), 0);

    const auto report = run_hunt({"report", "--db", db});
    EXPECT_NE(report.out.find("token rejected: ***"), std::string::npos) << report.out;
    const std::string all = finished.out + finished.err + report.out + report.err + file_bytes(db) +
                            file_bytes(db + "-wal");
    EXPECT_EQ(all.find(kToken), std::string::npos);
}

TEST_F(ScanNotify, CtrlCEndsTheHuntPromptlyWhileAServiceHangs) {
    test::PoolSim sim;
    HttpReceiver receiver("stall");
    ScratchFolder folder;
    auto args = scan_args(sim, folder, receiver);
    *(std::find(args.begin(), args.end(), "--notify-timeout") + 1) = "60";
    hunt_test::HuntProcess hunt(args);
    ASSERT_TRUE(receiver.next(20s).is_object()) << "no message was sent";
    const auto begun = std::chrono::steady_clock::now();
    hunt.signal(SIGINT);
    const auto finished = hunt.wait(10s);
    EXPECT_LT(std::chrono::steady_clock::now() - begun, 2s);
    EXPECT_EQ(finished.exit_code, 0) << finished.err;
    // The send in flight was abandoned unmarked: its messages still wait.
    const auto report = run_hunt({"report", "--db", folder.path("hunt.db").string()});
    EXPECT_NE(report.out.find(" waiting, 0 delivered, 0 failed"), std::string::npos) << report.out;
}

TEST_F(ScanNotify, ChannelUsageErrorsExitTwoNamingTheLineWithoutTheSecret) {
    ScratchFolder folder;
    const std::string file = folder.path("channels").string();
    std::ofstream(file) << "# my channels\n\njson://127.0.0.1:9/hook\nntfy://" << kToken << "@/\n";
    ::chmod(file.c_str(), 0600);
    const std::vector<std::string> base{
        "scan",    "--db", folder.path("hunt.db").string(), "--target", "Tavikmax/广东/深圳",
        "--alert", "AAA"};
    auto with = [&base](std::vector<std::string> extra) {
        extra.insert(extra.begin(), base.begin(), base.end());
        return run_hunt(extra);
    };
    const auto bad_line = with({"--notify-file", file});
    EXPECT_EQ(bad_line.exit_code, 2);
    EXPECT_NE(bad_line.err.find(file + " line 4"), std::string::npos) << bad_line.err;
    EXPECT_EQ(bad_line.err.find(kToken), std::string::npos) << bad_line.err;

    ::chmod(file.c_str(), 0644);
    const auto readable = with({"--notify-file", file});
    EXPECT_EQ(readable.exit_code, 2);
    EXPECT_NE(readable.err.find("chmod 600"), std::string::npos) << readable.err;

    const auto bad_option = with({"--notify", "json://", "--notify", "nosuch://x"});
    EXPECT_EQ(bad_option.exit_code, 2);
    EXPECT_NE(bad_option.err.find("--notify 2"), std::string::npos) << bad_option.err;
    EXPECT_FALSE(std::filesystem::exists(folder.path("hunt.db")));
}

}  // namespace
}  // namespace qorvex::notify_test
