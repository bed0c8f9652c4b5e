// The real server over a real SQLite history, asked over HTTP as the page
// and scripts ask it.

#include <gtest/gtest.h>
#include <httplib.h>
#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>

#include "hunt/class_names.h"
#include "hunt/sqlite/sqlite_history_reader.h"
#include "hunt/sqlite/sqlite_store.h"
#include "hunt_cli/serve_command.h"
#include "hunt_sqlite/history_folder.h"
#include "regex/platform_engine.h"

namespace qorvex::hunt_serve {
namespace {

using nlohmann::json;

constexpr hunt::TimeMs kStart = 1'796'900'000'000;
constexpr hunt::TimeMs kCycleGap = 90'000;
constexpr int kCycles = 40;
const std::string kPlain = "Tavikmax/广东/深圳";
// A target name no page or metrics reader may take for markup or syntax.
const std::string kHostile = "Tavikmax/<img src=x onerror=alert(1)>/\"深圳\"\\\n\xff";
constexpr std::string_view kToken = "s3cret-token";

ServeSettings settings(const std::function<void(ServeSettings&)>& adjust) {
    ServeSettings chosen;
    adjust(chosen);
    return chosen;
}

hunt::ClassMask aaa() {
    return hunt::ClassMask(1U << unsigned(*hunt::class_bit_of("AAA")));
}

// Two targets drawing 20 of 300 numbers a cycle (numbers ending in 888 are
// AAA and hits), each with one failed and one refused cycle.
void write_history(const std::string& path) {
    auto store = hunt::sqlite::SqliteStore::open(path);
    for (int cycle = 0; cycle < kCycles; ++cycle) {
        for (const auto& target : {kPlain, kHostile}) {
            hunt::CycleRecord record{
                target, kStart + cycle * kCycleGap, hunt::CycleOutcome::Numbers, 20, 10, ""};
            std::vector<hunt::Sighting> sightings;
            for (int i = 0; i < 20; ++i) {
                const hunt::PhoneNumber tail = (cycle * 37 + i * 53) % 300;
                const hunt::PhoneNumber number =
                    13800000000 + tail * 1000 + (tail % 7 == 0 ? 888 : 123);
                sightings.push_back({number, number % 1000 == 888 ? aaa() : hunt::ClassMask(0)});
            }
            if (cycle == 5) {
                record.outcome = hunt::CycleOutcome::Failed;
                sightings.clear();
            } else if (cycle == 6) {
                record.outcome = hunt::CycleOutcome::RateLimited;
                sightings.clear();
            }
            store->record_cycle(record, sightings, aaa());
        }
    }
    store->record_target_state(kPlain, "scanning", "", kStart);
    store->record_target_state(kPlain, "resting", "status 503, next query in 1 min", kStart + 1);
}

class ServeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_folder = new hunt::test::HistoryFolder();
        write_history(s_folder->file("hunt.db"));
        s_engine = rx::make_platform_engine().release();
    }
    static void TearDownTestSuite() {
        delete s_engine;
        delete s_folder;
    }

    std::unique_ptr<ApiServer> start(ServeSettings settings) {
        settings.address.port = 0;
        auto server = std::make_unique<ApiServer>(
            hunt::sqlite::SqliteHistoryReader::open(s_folder->file("hunt.db")), *s_engine,
            std::move(settings));
        server->start();
        return server;
    }

    static httplib::Result get(const ApiServer& server, const std::string& path,
                               const httplib::Headers& headers = {}) {
        httplib::Client client("127.0.0.1", server.port());
        return client.Get(path, headers);
    }

    static json get_json(const ApiServer& server, const std::string& path) {
        const auto reply = get(server, path);
        EXPECT_TRUE(reply) << path;
        EXPECT_EQ(reply->status, 200) << path << ": " << reply->body;
        return json::parse(reply->body);
    }

    static hunt::test::HistoryFolder* s_folder;
    static rx::RegexEngine* s_engine;
};

hunt::test::HistoryFolder* ServeTest::s_folder = nullptr;
rx::RegexEngine* ServeTest::s_engine = nullptr;

// Every number of one query, page by page.
std::vector<json> all_pages(const std::function<json(const std::string&)>& get_page,
                            const std::string& query) {
    std::vector<json> rows;
    std::string after;
    for (int page = 0; page < 1000; ++page) {
        const json answer = get_page(query + after);
        for (const auto& row : answer["rows"]) {
            rows.push_back(row);
        }
        if (answer["next"].is_null()) {
            return rows;
        }
        after = "&after=" + answer["next"].get<std::string>();
    }
    ADD_FAILURE() << "paging did not end";
    return rows;
}

TEST_F(ServeTest, TargetsCarryTheReportsFiguresAndTheHostileNameAsText) {
    const auto server = start({});
    const json answer = get_json(*server, "/api/targets");
    ASSERT_EQ(answer["targets"].size(), 2U);
    std::set<std::string> labels;
    for (const auto& target : answer["targets"]) {
        labels.insert(target["label"].get<std::string>());
        EXPECT_EQ(target["cycles"], kCycles);
        EXPECT_EQ(target["failures"], 1);
        EXPECT_EQ(target["backoffs"], 1);
        EXPECT_EQ(target["sightings"], (kCycles - 2) * 20);
        EXPECT_EQ(target["last_cycle"], kStart + (kCycles - 1) * kCycleGap);
        const bool plain = target["label"] == kPlain;
        EXPECT_EQ(target["state"], plain ? "resting" : "idle");
        EXPECT_EQ(target["state_reason"], plain ? "status 503, next query in 1 min" : "");
        EXPECT_EQ(target["state_since"], plain ? json(kStart + 1) : json(nullptr));
        const auto& estimate = target["estimate"];
        // An estimate always carries its interval; a lower bound says so.
        ASSERT_NE(estimate["kind"], "none");
        EXPECT_LE(estimate["low"].get<double>(), estimate["value"].get<double>());
        EXPECT_GE(estimate["value"].get<double>(), target["distinct_numbers"].get<double>());
        EXPECT_EQ(target["coverage"]["kind"],
                  estimate["kind"] == "lower_bound" ? "upper_bound" : "estimate");
    }
    // Bytes that are not UTF-8 come out as U+FFFD; the rest exactly as stored.
    EXPECT_TRUE(labels.contains(kPlain));
    EXPECT_TRUE(labels.contains(kHostile.substr(0, kHostile.size() - 1) + "\xEF\xBF\xBD"));
}

TEST_F(ServeTest, NumbersPageThroughTheFilteredSetOnceEach) {
    const auto server = start({});
    const auto get_page = [&](const std::string& path) { return get_json(*server, path); };
    const auto everything = all_pages(get_page, "/api/numbers?limit=1000");
    ASSERT_FALSE(everything.empty());
    struct Case {
        const char* label;
        std::string query;
        std::function<bool(const json&)> keeps;
    };
    const hunt::TimeMs middle = kStart + kCycles / 2 * kCycleGap;
    const std::vector<Case> cases{
        {"all", "", [](const json&) { return true; }},
        {"target", "&target=1", [](const json& row) { return row["target_id"] == 1; }},
        {"class", "&class=AAA",
         [](const json& row) { return row["number"].get<std::string>().ends_with("888"); }},
        {"text", "&text=00015",
         [](const json& row) {
             return row["number"].get<std::string>().find("00015") != std::string::npos;
         }},
        {"since and until",
         "&since=" + std::to_string(middle) + "&until=" + std::to_string(middle + kCycleGap),
         [&](const json& row) {
             return row["first_seen"] >= middle && row["first_seen"] < middle + kCycleGap;
         }},
        {"pattern", "&pattern=" + httplib::detail::encode_query_param("8{3}$"),
         [](const json& row) { return row["number"].get<std::string>().ends_with("888"); }},
    };
    for (const auto& test : cases) {
        std::vector<json> expected;
        std::copy_if(everything.begin(), everything.end(), std::back_inserter(expected),
                     test.keeps);
        const auto paged = all_pages(get_page, "/api/numbers?limit=7" + test.query);
        EXPECT_EQ(paged, expected) << test.label;
        EXPECT_FALSE(expected.empty()) << test.label;
    }
}

TEST_F(ServeTest, RequestsTheServerRefuses) {
    const auto server = start({});
    const std::vector<std::tuple<const char*, std::string, int>> cases{
        {"bad pattern", "/api/numbers?pattern=((", 400},
        {"unknown class", "/api/numbers?class=NOPE", 400},
        {"text not digits", "/api/numbers?text=1%27%20OR%201", 400},
        {"bad cursor", "/api/numbers?after=x", 400},
        {"bad hit cursor", "/api/hits?before=x", 400},
        {"hit cursor without its number", "/api/hits?before=5:1", 400},
        {"limit too large", "/api/numbers?limit=100000", 400},
        {"unknown target's series", "/api/targets/99/series", 404},
        {"unknown path", "/etc/passwd", 404},
    };
    for (const auto& [label, path, status] : cases) {
        const auto reply = get(*server, path);
        ASSERT_TRUE(reply) << label;
        EXPECT_EQ(reply->status, status) << label;
        EXPECT_TRUE(json::parse(reply->body).contains("error")) << label;
    }
    httplib::Client client("127.0.0.1", server->port());
    EXPECT_NE(client.Post("/api/targets", "{}", "application/json")->status, 200);
}

TEST_F(ServeTest, HitsNewestFirstAndSeriesFromTheCycles) {
    const auto server =
        start(settings([](auto& s) { s.application_page = "https://example.test/app"; }));
    std::vector<json> hits;
    std::string before;
    for (;;) {
        const json page = get_json(*server, "/api/hits?limit=3" + before);
        hits.insert(hits.end(), page["hits"].begin(), page["hits"].end());
        if (page["next_before"].is_null()) {
            break;
        }
        before = "&before=" + page["next_before"].get<std::string>();
    }
    const auto aaa_numbers =
        all_pages([&](const std::string& path) { return get_json(*server, path); },
                  "/api/numbers?limit=1000&class=AAA");
    ASSERT_EQ(hits.size(), aaa_numbers.size());
    for (std::size_t i = 1; i < hits.size(); ++i) {
        EXPECT_GE(hits[i - 1]["at"], hits[i]["at"]);
    }
    EXPECT_EQ(hits.front()["link"], "https://example.test/app");

    const json series = get_json(*server, "/api/targets/1/series");
    std::int64_t fresh = 0;
    std::int64_t failures = 0;
    for (const auto& point : series["points"]) {
        fresh += point["new_numbers"].get<std::int64_t>();
        failures += point["failures"].get<std::int64_t>();
        EXPECT_NE(point["estimate_kind"].is_null(), true);
    }
    const json targets = get_json(*server, "/api/targets");
    const auto& plain = targets["targets"][targets["targets"][0]["id"] == 1 ? 0 : 1];
    EXPECT_EQ(fresh, plain["distinct_numbers"]);
    EXPECT_EQ(failures, 1);
    const auto& last = series["points"].back();
    EXPECT_EQ(last["distinct"], plain["distinct_numbers"]);
    EXPECT_EQ(last["estimate"], plain["estimate"]["value"]);
}

TEST_F(ServeTest, MetricsPassPromtool) {
    const auto server = start({});
    const auto reply = get(*server, "/metrics");
    ASSERT_TRUE(reply);
    EXPECT_NE(reply->body.find("qorvex_hunt_cycles_total{target=\"Tavikmax/广东/深圳\"} 40"),
              std::string::npos);
    FILE* check = popen("promtool check metrics > /dev/null 2>&1", "w");
    ASSERT_NE(check, nullptr);
    std::fwrite(reply->body.data(), 1, reply->body.size(), check);
    EXPECT_EQ(pclose(check), 0) << reply->body;
}

TEST_F(ServeTest, TokenGuardsTheApiAndAnyOtherAddressNeedsOne) {
    EXPECT_THROW(ApiServer(hunt::sqlite::SqliteHistoryReader::open(s_folder->file("hunt.db")),
                           *s_engine, settings([](auto& s) {
                               s.address = {"0.0.0.0", 0};
                           })),
                 ServeError);
    const auto server = start(settings([](auto& s) {
        s.address = {"0.0.0.0", 0};
        s.token = std::string(kToken);
    }));
    const std::vector<std::tuple<const char*, std::string, httplib::Headers, int>> cases{
        {"no token", "/api/targets", {}, 401},
        {"wrong token", "/metrics", {{"Authorization", "Bearer s3cret-tokeN"}}, 401},
        {"longer token", "/api/hits", {{"Authorization", "Bearer s3cret-token2"}}, 401},
        {"token", "/api/targets", {{"Authorization", "Bearer s3cret-token"}}, 200},
        {"page asks for it itself", "/", {}, 200},
    };
    for (const auto& [label, path, headers, status] : cases) {
        const auto reply = get(*server, path, headers);
        ASSERT_TRUE(reply) << label;
        EXPECT_EQ(reply->status, status) << label;
    }
}

TEST_F(ServeTest, TokenFileMustBeTheOwnersAlone) {
    const std::string file = s_folder->file("token");
    std::ofstream(file) << kToken << "\n";
    hunt_cli::ServeOptions options{s_folder->file("hunt.db"), "0.0.0.0:0", file, "127.0.0.1", 60};
    ::chmod(file.c_str(), 0644);
    EXPECT_THROW(hunt_cli::make_server(options, *s_engine), ServeError);
    ::chmod(file.c_str(), 0600);
    const auto server = hunt_cli::make_server(options, *s_engine);
    server->start();
    EXPECT_EQ(get(*server, "/api/targets", {{"Authorization", "Bearer s3cret-token"}})->status,
              200);
}

TEST_F(ServeTest, ClientsPastTheirRateAreTurnedAway) {
    const auto server = start(settings([](auto& s) { s.requests_per_minute = 3; }));
    std::vector<int> statuses;
    for (int i = 0; i < 5; ++i) {
        statuses.push_back(get(*server, "/metrics")->status);
    }
    EXPECT_EQ(statuses, (std::vector<int>{200, 200, 200, 429, 429}));
}

}  // namespace
}  // namespace qorvex::hunt_serve
