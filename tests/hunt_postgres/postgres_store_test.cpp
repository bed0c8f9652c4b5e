#include "hunt/postgres/postgres_store.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <barrier>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <pqxx/pqxx>
#include <thread>

#include "hunt/postgres/local_queue.h"
#include "hunt_postgres/store_fixture.h"
#include "hunt_postgres/test_database.h"

namespace qorvex::hunt::postgres {
namespace {

using test::TestDatabase;

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
    auto store = open_hunter("a", kAaa);
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
    reconnect(*store);
    store->record_cycle(cycle_at(6000), {{{kNumber + 2, 0}}}, kAaa);
    EXPECT_EQ(store->degraded_note(), "");
    EXPECT_EQ(store->queued_cycles(), 0);
    const auto late = store->take_late_commits();
    ASSERT_EQ(late.size(), 3U) << "one for each queued cycle";
    ASSERT_EQ(late[0].commit.new_numbers.size(), 1U);
    EXPECT_EQ(late[0].commit.new_numbers[0].number, kNumber + 1);
    EXPECT_TRUE(late[0].commit.new_numbers[0].hit);
    EXPECT_TRUE(late[1].commit.new_numbers.empty());
    const auto rows = exported(*store);
    ASSERT_EQ(rows.size(), 3U);
    EXPECT_EQ(rows[0].times_seen, 4);
    EXPECT_EQ(rows[0].last_seen, 4000);
    EXPECT_EQ(m_database.count("SELECT count(*) FROM cycles"), 5);
}

std::string host_name() {
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    return host;
}

std::vector<PhoneNumber> hits_in(const std::vector<NewNumber>& fresh) {
    std::vector<PhoneNumber> hits;
    for (const NewNumber& number : fresh) {
        if (number.hit) {
            hits.push_back(number.number);
        }
    }
    return hits;
}

// Two hunters on one machine share the default queue file; a third, dead,
// left a cycle in it.
TEST_F(PostgresStoreTest, HuntersSharingAQueueEachSendTheirOwnCyclesOnTheirNextCycle) {
    const std::string dead = host_name() + ":2147483600";
    std::filesystem::create_directories(m_folder);
    LocalQueue((m_folder / "shared-queue.db").string(), 10)
        .push({0, "dead-key", dead, cycle_at(500), {{kNumber + 9, kAaa}}, kAaa});
    auto a = open_hunter("a", kAaa);
    auto b = open_hunter("b", kAaa);
    TestDatabase::server("stop");
    EXPECT_FALSE(a->record_cycle(cycle_at(1000), {{{kNumber, kAaa}}}, kAaa).stored);
    EXPECT_FALSE(b->record_cycle(cycle_at(2000), {{{kNumber + 1, kAaa}}}, kAaa).stored);
    TestDatabase::server("start");
    reconnect(*a);
    reconnect(*b);

    struct Step {
        const char* label;
        PostgresStore* hunter;
        std::vector<PhoneNumber> late_hits;
        long long cycles_stored;
    };
    const std::vector<Step> steps{
        {"a sends its own cycle and the dead hunter's", a.get(), {kNumber, kNumber + 9}, 3},
        {"b sends its own", b.get(), {kNumber + 1}, 5},
        {"nothing is sent twice", a.get(), {}, 6},
    };
    TimeMs started = 3000;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.label);
        EXPECT_TRUE(step.hunter->record_cycle(cycle_at(started += 1000), {}, kAaa).stored);
        std::vector<PhoneNumber> hits;
        for (const LateCommit& late : step.hunter->take_late_commits()) {
            EXPECT_EQ(late.distinct_numbers, 1U) << "a late cycle's reply counts once stored";
            EXPECT_EQ(late.outcome, CycleOutcome::Numbers);
            const auto late_hits = hits_in(late.commit.new_numbers);
            hits.insert(hits.end(), late_hits.begin(), late_hits.end());
        }
        EXPECT_EQ(hits, step.late_hits);
        EXPECT_EQ(m_database.count("SELECT count(*) FROM cycles"), step.cycles_stored);
    }
    EXPECT_EQ(m_database.count("SELECT count(*) FROM cycles WHERE hunter_id = '" + dead + "'"), 1);
}

TEST_F(PostgresStoreTest, ReadingTheHistorySendsNoQueuedCycle) {
    const std::string queue = (m_folder / "queue.db").string();
    std::filesystem::create_directories(m_folder);
    LocalQueue(queue, 10).push({0, "k", host_name() + ":2147483600", cycle_at(1000), {}, 0});
    auto reader = open_store(m_database.uri(), [&](PostgresOptions& options) {
        options.hunter = false;
        options.queue_path = queue;
    });
    EXPECT_TRUE(reader->summaries().empty());
    EXPECT_EQ(LocalQueue(queue, 10).size(), 1);
}

// The first send of a queued cycle was stored, but its hunter never heard
// so (a lost acknowledgement): the cycle is sent again, under its key.
TEST_F(PostgresStoreTest, AReplayedCycleWhoseAcknowledgementWasLostStillAlertsItsHitOnce) {
    const std::string queue = (m_folder / "shared-queue.db").string();
    std::filesystem::create_directories(m_folder);
    const QueuedCycle cycle{0, "acked-key", "a", cycle_at(1000), {{kNumber, kAaa}}, kAaa};
    LocalQueue(queue, 10).push(cycle);
    open_hunter("a", kAaa)->record_cycle(cycle_at(2000), {}, kAaa);  // its late commit unheard
    LocalQueue(queue, 10).push(cycle);
    auto again = open_hunter("a", kAaa);
    again->record_cycle(cycle_at(3000), {}, kAaa);
    const auto late = again->take_late_commits();
    ASSERT_EQ(late.size(), 1U);
    EXPECT_EQ(hits_in(late[0].commit.new_numbers), std::vector<PhoneNumber>{kNumber});
    EXPECT_EQ(m_database.count("SELECT count(*) FROM cycles"), 3);
    EXPECT_EQ(m_database.count("SELECT times_seen FROM numbers"), 1);
}

// b hunts the target too but a holds it: a number of b's alert set that
// a's cycle stores is b's hit, alerted by b, once.
TEST_F(PostgresStoreTest, EachHunterIsAlertedOnceToTheNumbersOfItsOwnAlertSet) {
    auto a = open_hunter("a", kAaa, "a.db");
    auto b = open_hunter("b", kAbcde, "b.db");
    ASSERT_TRUE(a->lease_target(kShenzhen, "a", 0, 60'000));
    ASSERT_FALSE(b->lease_target(kShenzhen, "b", 0, 60'000));
    const std::vector<Sighting> sightings{
        {kNumber, kAaa}, {kNumber + 1, kAbcde}, {kNumber + 2, kAaa | kAbcde}, {kNumber + 3, 0}};
    const auto commit = a->record_cycle(cycle_at(1000), sightings, kAaa);
    EXPECT_EQ(hits_in(commit.new_numbers), (std::vector<PhoneNumber>{kNumber, kNumber + 2}));
    for (int poll = 0; poll < 2; ++poll) {
        SCOPED_TRACE(poll);
        EXPECT_FALSE(b->lease_target(kShenzhen, "b", 0, 60'000));
        std::vector<PhoneNumber> hits;
        for (const LateCommit& late : b->take_late_commits()) {
            EXPECT_TRUE(late.alerts_only);
            const auto late_hits = hits_in(late.commit.new_numbers);
            hits.insert(hits.end(), late_hits.begin(), late_hits.end());
        }
        EXPECT_EQ(hits,
                  poll == 0 ? std::vector<PhoneNumber>{kNumber + 1} : std::vector<PhoneNumber>{});
    }
    EXPECT_TRUE(a->take_late_commits().empty());
    EXPECT_EQ(m_database.count("SELECT count(*) FROM hits"), 3);
}

// A lock held elsewhere makes the server cancel the statement (57014); the
// cycle waits in the queue and goes with the next one.
TEST_F(PostgresStoreTest, AStatementTheServerCancelsQueuesTheCycleInsteadOfEndingTheHunt) {
    const std::string uri = m_database.uri() + "%20-cstatement_timeout%3D300";
    auto store = open_store(uri);
    store->record_cycle(cycle_at(1000), {{{kNumber, 0}}}, 0);
    {
        pqxx::connection locker(m_database.uri());
        pqxx::work lock(locker);
        lock.exec("LOCK TABLE numbers IN ACCESS EXCLUSIVE MODE");
        EXPECT_FALSE(store->record_cycle(cycle_at(2000), {{{kNumber + 1, 0}}}, 0).stored);
    }
    EXPECT_TRUE(store->record_cycle(cycle_at(3000), {}, 0).stored);
    EXPECT_EQ(store->queued_cycles(), 0);
    EXPECT_EQ(m_database.count("SELECT count(*) FROM cycles"), 3);
}

// A server sent SIGSTOP keeps its connections open and answers nothing.
TEST_F(PostgresStoreTest, AFrozenServerHoldsTheHuntUpBrieflyAndAStopAtOnce) {
    std::atomic<bool> stop{false};
    auto store = open_store(m_database.uri(), [&](PostgresOptions& options) {
        options.statement_limit = std::chrono::milliseconds(1000);
        options.connect_timeout = std::chrono::seconds(2);
        options.give_up = [&stop] { return stop.load(); };
    });
    TimeMs started = 0;
    auto record_ms = [&](bool stored) {
        const auto begun = std::chrono::steady_clock::now();
        started += 1000;
        EXPECT_EQ(store->record_cycle(cycle_at(started), {{{kNumber + started, 0}}}, 0).stored,
                  stored);
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now() - begun)
            .count();
    };
    record_ms(true);
    struct Thaw {
        ~Thaw() { TestDatabase::freeze(false); }
    } thaw_at_the_end;
    TestDatabase::freeze(true);
    EXPECT_LT(record_ms(false), 2000) << "the first cycle waits out the statement limit";
    for (int cycle = 0; cycle < 5; ++cycle) {
        EXPECT_LT(record_ms(false), 200) << "later cycles wait for nothing";
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_FALSE(store->lease_target("another", "a", 0, 60'000));
    TestDatabase::freeze(false);
    reconnect(*store);
    record_ms(true);
    ASSERT_EQ(store->degraded_note(), "");
    TestDatabase::freeze(true);
    stop = true;
    EXPECT_LT(record_ms(false), 500) << "a stop cuts the wait short";
    TestDatabase::freeze(false);
}

TEST_F(PostgresStoreTest, TakesThePasswordFromTheEnvironmentOrAPasswordFile) {
    // The test server's URI with its password taken out of it.
    const std::string uri = m_database.uri();
    const auto colon = uri.find(':', uri.find("://") + 3);
    const auto at = uri.find('@');
    const std::string password = uri.substr(colon + 1, at - colon - 1);
    const std::string bare = uri.substr(0, colon) + uri.substr(at);
    std::filesystem::create_directories(m_folder);
    const std::string pgpass = (m_folder / "pgpass").string();
    std::ofstream(pgpass) << "*:*:*:*:" << password << "\n";
    std::filesystem::permissions(
        pgpass, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    struct Case {
        const char* variable;
        std::string value;
    };
    for (const Case& c : {Case{"PGPASSWORD", password}, Case{"PGPASSFILE", pgpass}}) {
        SCOPED_TRACE(c.variable);
        setenv(c.variable, c.value.c_str(), 1);
        EXPECT_NO_THROW(open_store(bare)->summaries());
        unsetenv(c.variable);
    }
}

// The export reads every row from one snapshot, however many pages: a
// cycle stored meanwhile changes nothing it writes.
TEST_F(PostgresStoreTest, TheExportReadsOneSnapshot) {
    auto store = open_store();
    auto other = open_store();
    constexpr int kRows = 5003;  // more than a page
    std::vector<Sighting> sightings;
    for (int i = 0; i < kRows; ++i) {
        sightings.push_back({kNumber + i, 0});
    }
    store->record_cycle(cycle_at(1000), sightings, 0);
    int rows = 0;
    store->for_each_number({}, [&](const NumberRow& row) {
        if (rows++ == 0) {
            other->record_cycle(cycle_at(2000), {{{kNumber + kRows - 1, 0}, {kNumber - 1, 0}}}, 0);
        }
        EXPECT_EQ(row.times_seen, 1) << row.number;
        return true;
    });
    EXPECT_EQ(rows, kRows);
}

}  // namespace
}  // namespace qorvex::hunt::postgres
