#include "hunt/postgres/postgres_store.h"

#include <gtest/gtest.h>

#include <barrier>
#include <filesystem>
#include <thread>

#include "hunt/postgres/local_queue.h"
#include "hunt_postgres/test_database.h"

namespace qorvex::hunt::postgres {
namespace {

using test::TestDatabase;

constexpr ClassMask kAaa = 1U << 0;
constexpr ClassMask kAbcde = 1U << 3;
constexpr PhoneNumber kNumber = 13800138000;
const std::string kShenzhen = "Tavikmax/广东/深圳";

CycleRecord cycle_at(TimeMs started, CycleOutcome outcome = CycleOutcome::Numbers) {
    return {kShenzhen, started, outcome, 3, 80, {}};
}

// Each store gets a queue file of its own in the test's folder.
class PostgresStoreTest : public ::testing::Test {
protected:
    std::unique_ptr<PostgresStore> open_store(const std::string& uri) {
        PostgresOptions options;
        options.queue_path = (m_folder / ("queue" + std::to_string(++m_stores) + ".db")).string();
        options.first_retry = std::chrono::milliseconds(50);
        options.longest_retry = std::chrono::milliseconds(200);
        return PostgresStore::open(uri, options);
    }
    std::unique_ptr<PostgresStore> open_store() { return open_store(m_database.uri()); }

    void TearDown() override { std::filesystem::remove_all(m_folder); }

    TestDatabase m_database;
    std::filesystem::path m_folder =
        std::filesystem::temp_directory_path() /
        ("qorvex-pg-" + std::to_string(getpid()) + "-" +
         ::testing::UnitTest::GetInstance()->current_test_info()->name());
    int m_stores = 0;
};

std::vector<NumberRow> exported(HuntStore& store, const NumberFilter& filter = {}) {
    std::vector<NumberRow> rows;
    store.for_each_number(filter, [&](const NumberRow& row) {
        rows.push_back(row);
        return true;
    });
    return rows;
}

TEST_F(PostgresStoreTest, MergesTwoHuntersSightings) {
    auto first = open_store();
    auto second = open_store();
    struct Step {
        HuntStore* store;
        TimeMs started;
        ClassMask classes;
        std::size_t new_numbers;
        std::vector<std::int64_t> repeats;  // times seen before, whichever hunter saw it
    };
    const std::vector<Step> steps{
        {first.get(), 5000, kAaa, 1, {}},
        {second.get(), 3000, kAbcde, 0, {1}},  // an earlier sighting, sent later
        {second.get(), 9000, kAaa, 0, {2}},
        {first.get(), 7000, 0, 0, {3}},
    };
    for (const Step& step : steps) {
        const auto commit =
            step.store->record_cycle(cycle_at(step.started), {{{kNumber, step.classes}}}, 0);
        EXPECT_EQ(commit.new_numbers.size(), step.new_numbers) << step.started;
        EXPECT_EQ(commit.repeats, step.repeats) << step.started;
    }
    const auto rows = exported(*first);
    ASSERT_EQ(rows.size(), 1U);
    EXPECT_EQ(rows[0].classes, kAaa | kAbcde);
    EXPECT_EQ(rows[0].first_seen, 3000);
    EXPECT_EQ(rows[0].last_seen, 9000);
    EXPECT_EQ(rows[0].times_seen, 4);
    const auto summaries = second->summaries();
    ASSERT_EQ(summaries.size(), 1U);
    EXPECT_EQ(summaries[0].cycles, 4);
    EXPECT_EQ(summaries[0].distinct_numbers, 1);
    EXPECT_EQ(summaries[0].numbers_per_class[3], 1);
    const std::vector<std::pair<int, std::int64_t>> sizes{{1, 4}};
    EXPECT_EQ(second->capture_history(kShenzhen).reply_sizes, sizes);
    const std::vector<std::pair<std::int64_t, std::int64_t>> frequencies{{4, 1}};
    EXPECT_EQ(second->capture_history(kShenzhen).frequencies, frequencies);
    EXPECT_EQ(summaries[0].capture.frequencies, frequencies);
    EXPECT_EQ(first->cycles_since(kShenzhen, 5000), 3);
    EXPECT_EQ(first->new_numbers_since(kShenzhen, 3000), 1);
    EXPECT_EQ(first->new_numbers_since(kShenzhen, 3001), 0);
}

TEST_F(PostgresStoreTest, ANumberTwoHuntersSeeAtOnceIsOneHit) {
    auto first = open_store();
    auto second = open_store();
    constexpr int kRounds = 20;
    std::barrier together(2);
    std::vector<int> hits(kRounds, 0);
    std::mutex hits_lock;
    auto hunt = [&](HuntStore& store, TimeMs offset) {
        for (int round = 0; round < kRounds; ++round) {
            // Both see the round's number among others of their own.
            const std::vector<Sighting> sightings{{kNumber + round, kAaa},
                                                  {kNumber + 1000 + offset + round, 0}};
            together.arrive_and_wait();
            const auto commit =
                store.record_cycle(cycle_at(TimeMs{round} * 10 + offset), sightings, kAaa);
            const std::lock_guard lock(hits_lock);
            for (const NewNumber& fresh : commit.new_numbers) {
                hits[static_cast<std::size_t>(round)] += fresh.hit ? 1 : 0;
            }
        }
    };
    std::thread other([&] { hunt(*second, 500); });
    hunt(*first, 0);
    other.join();
    for (int round = 0; round < kRounds; ++round) {
        EXPECT_EQ(hits[static_cast<std::size_t>(round)], 1) << "round " << round;
    }
    EXPECT_EQ(m_database.count("SELECT count(*) FROM hits"), kRounds);
}

TEST_F(PostgresStoreTest, LeasesATargetToOneHunterUntilItExpires) {
    auto first = open_store();
    auto second = open_store();
    struct Step {
        const char* label;
        HuntStore* store;
        const char* hunter;
        TimeMs lease_ms;
        bool granted;
    };
    const std::vector<Step> steps{
        {"a free target is taken", first.get(), "a", 60'000, true},
        {"a held target is refused", second.get(), "b", 60'000, false},
        {"its holder renews it, briefly", first.get(), "a", 300, true},
        {"still refused before the expiry", second.get(), "b", 60'000, false},
    };
    for (const Step& step : steps) {
        EXPECT_EQ(step.store->lease_target(kShenzhen, step.hunter, 0, step.lease_ms), step.granted)
            << step.label;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    EXPECT_TRUE(second->lease_target(kShenzhen, "b", 0, 60'000)) << "taken over after expiry";
    EXPECT_FALSE(first->lease_target(kShenzhen, "a", 0, 60'000));
    second->release_targets("b");
    EXPECT_TRUE(first->lease_target(kShenzhen, "a", 0, 60'000)) << "free after release";
}

TEST_F(PostgresStoreTest, RefusesWhatItCannotUseWithAClearError) {
    {
        auto store = open_store();  // creates the schema
    }
    m_database.exec("UPDATE qorvex_schema SET version = 99");
    struct Case {
        const char* label;
        std::string uri;
        StoreError::Kind kind;
        const char* message;
    };
    const std::vector<Case> cases{
        {"a newer schema", m_database.uri(), StoreError::Kind::NewerSchema, "newer"},
        {"a wrong password", TestDatabase::with_password("wrong"), StoreError::Kind::Refused,
         "password"},
        {"nobody listening", "postgresql://qorvex:x@127.0.0.1:1/qorvex_test",
         StoreError::Kind::Unreachable, "127.0.0.1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        try {
            open_store(c.uri);
            ADD_FAILURE() << "opened";
        } catch (const StoreError& error) {
            EXPECT_EQ(error.kind(), c.kind) << error.what();
            EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << error.what();
            EXPECT_EQ(std::string(error.what()).find("qorvex-test"), std::string::npos)
                << "the password is shown: " << error.what();
        }
    }
    EXPECT_EQ(m_database.count("SELECT version FROM qorvex_schema"), 99);
}

TEST_F(PostgresStoreTest, KeepsCyclesWhileTheServerIsAwayAndSendsThemOnce) {
    auto store = open_store();
    store->record_cycle(cycle_at(1000), {{{kNumber, kAaa}}}, kAaa);
    TestDatabase::server("stop");
    const std::vector<Sighting> away{{kNumber, kAaa}, {kNumber + 1, kAaa}};
    for (TimeMs started = 2000; started < 5000; started += 1000) {
        EXPECT_TRUE(store->record_cycle(cycle_at(started), away, kAaa).new_numbers.empty());
        EXPECT_TRUE(store->lease_target(kShenzhen, "a", 0, 1000) == false ||
                    !store->degraded_note().empty());
    }
    EXPECT_NE(store->degraded_note().find("away"), std::string::npos) << store->degraded_note();
    EXPECT_EQ(store->queued_cycles(), 3);
    TestDatabase::server("start");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    store->record_cycle(cycle_at(6000), {{{kNumber + 2, 0}}}, kAaa);
    EXPECT_EQ(store->degraded_note(), "");
    EXPECT_EQ(store->queued_cycles(), 0);
    const auto late = store->take_late_commits();
    ASSERT_EQ(late.size(), 1U);
    ASSERT_EQ(late[0].commit.new_numbers.size(), 1U);
    EXPECT_EQ(late[0].commit.new_numbers[0].number, kNumber + 1);
    EXPECT_TRUE(late[0].commit.new_numbers[0].hit);
    const auto rows = exported(*store);
    ASSERT_EQ(rows.size(), 3U);
    EXPECT_EQ(rows[0].times_seen, 4);
    EXPECT_EQ(rows[0].last_seen, 4000);
    EXPECT_EQ(m_database.count("SELECT count(*) FROM cycles"), 5);
}

TEST_F(PostgresStoreTest, ACycleSentAgainIsStoredOnce) {
    const std::string queue_path = (m_folder / "replay.db").string();
    std::filesystem::create_directories(m_folder);
    PostgresOptions options;
    options.queue_path = queue_path;
    const QueuedCycle cycle{0, "replayed-key", "a", cycle_at(1000), {{kNumber, kAaa}}, 0};
    // The same cycle queued twice, as after a commit whose acknowledgement
    // was lost: the second send finds its key on the server.
    for (int send = 0; send < 2; ++send) {
        LocalQueue(queue_path, 10).push(cycle);
        PostgresStore::open(m_database.uri(), options);
        EXPECT_EQ(LocalQueue(queue_path, 10).size(), 0);
    }
    EXPECT_EQ(m_database.count("SELECT count(*) FROM cycles"), 1);
    EXPECT_EQ(m_database.count("SELECT times_seen FROM numbers"), 1);
}

}  // namespace
}  // namespace qorvex::hunt::postgres
