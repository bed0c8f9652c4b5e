#include <gtest/gtest.h>

#include <algorithm>
#include <barrier>
#include <pqxx/pqxx>
#include <set>
#include <thread>

#include "hunt/postgres/local_queue.h"
#include "hunt/postgres/pg_schema.h"
#include "hunt/postgres/postgres_store.h"
#include "hunt_postgres/store_fixture.h"

namespace qorvex::hunt::postgres {
namespace {

using test::TestDatabase;

const OutboxChannel kPhone{"key-phone", "ntfys://ntfy.sh/***"};
const OutboxChannel kChat{"key-chat", "dingtalk://***@robot"};
const OutboxChannel kMail{"key-mail", "mailtos://***@mail.example"};

std::vector<PhoneNumber> numbers_of(const std::vector<OutboxMessage>& messages) {
    std::vector<PhoneNumber> numbers;
    for (const OutboxMessage& message : messages) {
        numbers.push_back(message.number);
    }
    return numbers;
}

std::vector<std::int64_t> ids_of(const std::vector<OutboxMessage>& messages) {
    std::vector<std::int64_t> ids;
    for (const OutboxMessage& message : messages) {
        ids.push_back(message.id);
    }
    return ids;
}

class PostgresOutboxTest : public PostgresStoreTest {
protected:
    // A live hunter (it watches the target) with the given channels.
    std::unique_ptr<PostgresStore> open_live(const std::string& hunter, ClassMask alerts,
                                             std::vector<OutboxChannel> channels,
                                             TimeMs lease_ms = 60'000) {
        auto store = open_hunter(hunter, alerts, hunter + ".db");
        store->register_channels(channels);
        store->lease_target(kShenzhen, hunter, 0, lease_ms);
        return store;
    }
    long long messages() const { return m_database.count("SELECT count(*) FROM outbox"); }
};

// a holds the target, b watches it; a's cycle stores a hit of each.
TEST_F(PostgresOutboxTest, AHitGetsOneMessagePerChannelOfTheHunterThatAlertsIt) {
    auto a = open_live("a", kAaa, {kPhone, kChat});
    auto b = open_live("b", kAbcde, {kMail});
    const std::vector<Sighting> sightings{{kNumber, kAaa}, {kNumber + 1, kAbcde}, {kNumber + 2, 0}};
    a->record_cycle(cycle_at(1000), sightings, kAaa);
    a->record_cycle(cycle_at(2000), sightings, kAaa);  // repeats: no message
    struct Case {
        const char* label;
        PostgresStore* hunter;
        const OutboxChannel& channel;
        std::vector<PhoneNumber> numbers;
    };
    const std::vector<Case> cases{
        {"a's hit on a's first channel", a.get(), kPhone, {kNumber}},
        {"a's hit on a's second channel", a.get(), kChat, {kNumber}},
        {"b's hit on b's channel", b.get(), kMail, {kNumber + 1}},
        {"a live hunter's messages are not another's", b.get(), kPhone, {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(numbers_of(c.hunter->waiting_messages(c.channel.key, 10)), c.numbers) << c.label;
    }
    const auto message = a->waiting_messages(kPhone.key, 10).at(0);
    EXPECT_EQ(message.target, kShenzhen);
    EXPECT_EQ(message.classes, kAaa);
    EXPECT_EQ(message.first_seen, 1000);
    EXPECT_EQ(message.failures, 0);
    EXPECT_GT(message.created, 0);
    EXPECT_EQ(message.next_attempt, message.created);
    EXPECT_EQ(messages(), 3);
}

// A cycle kept while the server is away writes its messages once stored;
// one sent again after a lost acknowledgement writes none again.
TEST_F(PostgresOutboxTest, ACycleStoredLateGetsItsMessagesAndAReplayedOneNoneTwice) {
    auto a = open_live("a", kAaa, {kPhone});
    TestDatabase::server("stop");
    EXPECT_FALSE(a->record_cycle(cycle_at(1000), {{{kNumber, kAaa}}}, kAaa).stored);
    EXPECT_TRUE(a->waiting_messages(kPhone.key, 10).empty()) << "nothing while away";
    TestDatabase::server("start");
    reconnect(*a);
    a->record_cycle(cycle_at(2000), {}, kAaa);
    EXPECT_EQ(numbers_of(a->waiting_messages(kPhone.key, 10)), std::vector<PhoneNumber>{kNumber});

    const QueuedCycle replayed{0, "acked-key", "a", cycle_at(3000), {{kNumber + 1, kAaa}}, kAaa};
    for (int send = 0; send < 2; ++send) {
        LocalQueue((m_folder / "a.db").string(), 10).push(replayed);
        open_hunter("a", kAaa, "a.db")->record_cycle(cycle_at(4000 + send), {}, kAaa);
    }
    EXPECT_EQ(m_database.count("SELECT count(*) FROM cycles WHERE cycle_key = 'acked-key'"), 1);
    EXPECT_EQ(numbers_of(a->waiting_messages(kPhone.key, 10)),
              (std::vector<PhoneNumber>{kNumber, kNumber + 1}));
}

// d stores hits and dies (its watch runs out); b and c, alive, share d's
// channel and take its messages over at the same moment, round after round.
TEST_F(PostgresOutboxTest, TwoLiveHuntersNeverGetTheSameMessageAndADeadOnesAreTakenOver) {
    auto a = open_live("a", kAaa, {kPhone});
    auto b = open_live("b", 0, {kPhone});
    auto c = open_live("c", 0, {kPhone});
    a->record_cycle(cycle_at(500), {{{kNumber - 1, kAaa}}}, kAaa);
    constexpr int kRounds = 5;
    constexpr int kHits = 200;
    std::set<std::int64_t> taken_by_b;
    std::set<std::int64_t> taken_by_c;
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE(round);
        {
            auto d = open_live("d" + std::to_string(round), kAaa, {kPhone}, 600);
            std::vector<Sighting> sightings;
            for (int hit = 0; hit < kHits; ++hit) {
                sightings.push_back({kNumber + round * 1000 + hit, kAaa});
            }
            d->record_cycle(cycle_at(1000 + round), sightings, kAaa);
        }
        for (const std::int64_t id : ids_of(b->waiting_messages(kPhone.key, 100))) {
            ADD_FAILURE() << "d is not gone yet: " << id;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        std::barrier together(2);
        std::vector<std::int64_t> ids_b;
        std::thread other([&] {
            together.arrive_and_wait();
            ids_b = ids_of(b->waiting_messages(kPhone.key, kHits / 2 + 1));
        });
        together.arrive_and_wait();
        const auto ids_c = ids_of(c->waiting_messages(kPhone.key, kHits / 2 + 1));
        other.join();
        taken_by_b.insert(ids_b.begin(), ids_b.end());
        taken_by_c.insert(ids_c.begin(), ids_c.end());
        // Whatever is left goes to whoever asks next; each sends what it
        // has, so that the next round starts with nothing waiting.
        for (PostgresStore* hunter : {b.get(), c.get()}) {
            const auto more = ids_of(hunter->waiting_messages(kPhone.key, kHits));
            (hunter == b.get() ? taken_by_b : taken_by_c).insert(more.begin(), more.end());
            hunter->mark_delivered(more, 2000);
        }
    }
    std::vector<std::int64_t> both;
    std::set_intersection(taken_by_b.begin(), taken_by_b.end(), taken_by_c.begin(),
                          taken_by_c.end(), std::back_inserter(both));
    EXPECT_TRUE(both.empty()) << both.size() << " messages given to two hunters";
    EXPECT_EQ(taken_by_b.size() + taken_by_c.size(), std::size_t{kRounds * kHits});
    EXPECT_EQ(numbers_of(a->waiting_messages(kPhone.key, kHits)),
              std::vector<PhoneNumber>{kNumber - 1})
        << "a live hunter keeps its own";
    EXPECT_EQ(m_database.count("SELECT count(*) FROM outbox WHERE owner LIKE 'd%'"), 0);
}

// Hunters sharing a channel share its service's rate: each sees the others'
// sends (one per digest), not its own.
TEST_F(PostgresOutboxTest, OthersDeliveriesAreTheOtherHuntersSendsOnce) {
    auto a = open_live("a", kAaa, {kPhone});
    auto b = open_live("b", kAaa, {kPhone});
    a->record_cycle(cycle_at(1000), {{{kNumber, kAaa}, {kNumber + 1, kAaa}, {kNumber + 2, kAaa}}},
                    kAaa);
    const auto ids = ids_of(a->waiting_messages(kPhone.key, 10));
    ASSERT_EQ(ids.size(), 3U);
    a->mark_delivered(std::vector{ids[0], ids[1]}, 5000);  // one digest of two
    a->mark_delivered(std::vector{ids[2]}, 9000);
    EXPECT_TRUE(a->others_deliveries(kPhone.key, 0).empty()) << "its own sends";
    EXPECT_EQ(b->others_deliveries(kPhone.key, 0), (std::vector<TimeMs>{5000, 9000}));
    EXPECT_EQ(b->others_deliveries(kPhone.key, 5000), std::vector<TimeMs>{9000});
    EXPECT_TRUE(b->others_deliveries(kChat.key, 0).empty()) << "another channel";
}

TEST_F(PostgresOutboxTest, MarksRetriesAndCounts) {
    auto a = open_live("a", kAaa, {kPhone, kChat});
    a->record_cycle(cycle_at(1000), {{{kNumber, kAaa}, {kNumber + 1, kAaa}, {kNumber + 2, kAaa}}},
                    kAaa);
    const auto phone = ids_of(a->waiting_messages(kPhone.key, 10));
    const auto chat = ids_of(a->waiting_messages(kChat.key, 10));
    ASSERT_EQ(phone.size(), 3U);
    ASSERT_EQ(chat.size(), 3U);
    a->mark_delivered(std::vector{phone[0]}, 5000);
    a->mark_retry(std::vector{phone[1], phone[0]}, 2, 9000, "HTTP 503");  // the delivery stays
    a->mark_failed(std::vector{chat[0], chat[1]}, 6000, "errcode 310000: keywords not in content");
    a->mark_failed(std::vector{phone[0]}, 7000, "too late");  // the delivery stays

    const auto waiting = a->waiting_messages(kPhone.key, 10);
    ASSERT_EQ(ids_of(waiting), (std::vector<std::int64_t>{phone[1], phone[2]}));
    EXPECT_EQ(waiting[0].failures, 2);
    EXPECT_EQ(waiting[0].next_attempt, 9000);
    const auto failures = a->failed_messages(10);
    ASSERT_EQ(failures.size(), 2U);
    EXPECT_EQ(failures[0].channel_shown, kChat.shown);
    EXPECT_EQ(failures[0].error, "errcode 310000: keywords not in content");
    EXPECT_EQ(failures[0].failed_at, 6000);
    EXPECT_EQ(failures[0].target, kShenzhen);
    EXPECT_EQ(a->failed_messages(1).size(), 1U);

    struct Counts {
        std::string shown;
        std::int64_t waiting, delivered, failed;
        bool operator==(const Counts&) const = default;
    };
    auto counts = [&] {
        std::vector<Counts> rows;
        for (const OutboxCounts& row : a->outbox_counts()) {
            rows.push_back({row.channel_shown, row.waiting, row.delivered, row.failed});
        }
        return rows;
    };
    EXPECT_EQ(counts(), (std::vector<Counts>{{kChat.shown, 1, 0, 2}, {kPhone.shown, 2, 1, 0}}));
    EXPECT_EQ(a->retry_failed(std::string("no-such-key"), 8000), 0);
    EXPECT_EQ(a->retry_failed(kChat.key, 8000), 2);
    EXPECT_EQ(counts(), (std::vector<Counts>{{kChat.shown, 3, 0, 0}, {kPhone.shown, 2, 1, 0}}));
    const auto again = a->waiting_messages(kChat.key, 10);
    ASSERT_EQ(again.size(), 3U);
    EXPECT_EQ(again[0].failures, 0);
    EXPECT_EQ(again[0].next_attempt, 8000);
    EXPECT_TRUE(a->failed_messages(10).empty());
}

// A send made just before the server went away: its mark waits and is
// stored once the server is back, before anything is read again, by the
// same hunter or, when that one ended meanwhile, by the next hunter of the
// machine (through the queue file), so the delivered message is not sent
// again.
TEST_F(PostgresOutboxTest, AMarkMadeWhileTheServerIsAwayIsStoredWhenItIsBack) {
    for (const bool hunter_ends : {false, true}) {
        SCOPED_TRACE(hunter_ends ? "the hunter ends first" : "the hunter stays");
        auto a = open_live("a", kAaa, {kPhone});
        const PhoneNumber number = kNumber + (hunter_ends ? 1 : 0);
        a->record_cycle(cycle_at(1000), {{{number, kAaa}}}, kAaa);
        const auto ids = ids_of(a->waiting_messages(kPhone.key, 10));
        ASSERT_EQ(ids.size(), 1U);
        TestDatabase::server("stop");
        a->mark_delivered(ids, 2000);
        EXPECT_NE(a->degraded_note(), "") << "the mark did not wait";
        if (hunter_ends) {
            a.reset();
        }
        TestDatabase::server("start");
        if (hunter_ends) {
            a = open_hunter("b", kAaa, "a.db");
            a->register_channels(std::vector{kPhone});
        } else {
            reconnect(*a);
        }
        EXPECT_TRUE(a->waiting_messages(kPhone.key, 10).empty());
        EXPECT_EQ(m_database.count("SELECT count(*) FROM outbox WHERE state = 'delivered' "
                                   "AND number = " +
                                   std::to_string(number)),
                  1);
    }
}

// A lock held elsewhere makes the server cancel the outbox's statements
// (57014): the sender is given nothing for now, and its mark waits.
TEST_F(PostgresOutboxTest, AStatementTheServerCancelsOnlyDelaysTheOutbox) {
    auto a = open_store(m_database.uri() + "%20-cstatement_timeout%3D300",
                        [](PostgresOptions& options) { options.hunter_id = "a"; });
    a->register_channels(std::vector{kPhone});
    a->record_cycle(cycle_at(1000), {{{kNumber, kAaa}}}, kAaa);
    const auto ids = ids_of(a->waiting_messages(kPhone.key, 10));
    ASSERT_EQ(ids.size(), 1U);
    {
        pqxx::connection locker(m_database.uri());
        pqxx::work lock(locker);
        lock.exec("LOCK TABLE outbox IN ACCESS EXCLUSIVE MODE");
        EXPECT_TRUE(a->waiting_messages(kPhone.key, 10).empty());
        a->mark_delivered(ids, 2000);
    }
    EXPECT_TRUE(a->waiting_messages(kPhone.key, 10).empty());
    EXPECT_EQ(m_database.count("SELECT count(*) FROM outbox WHERE state = 'delivered'"), 1);
}

// A history made by the previous version keeps its rows and gains the
// outbox.
TEST_F(PostgresOutboxTest, MigratesAHistoryOfTheVersionBefore) {
    open_store()->record_cycle(cycle_at(1000), {{{kNumber, kAaa}}}, kAaa);
    m_database.exec(
        "DROP TABLE target_states; DROP TABLE outbox; DROP TABLE channels; "
        "UPDATE qorvex_schema SET version = 2");
    auto a = open_live("a", kAaa, {kPhone});
    EXPECT_EQ(m_database.count("SELECT version FROM qorvex_schema"), kSchemaVersion);
    EXPECT_EQ(m_database.count("SELECT count(*) FROM hits"), 1);
    a->record_cycle(cycle_at(2000), {{{kNumber, kAaa}, {kNumber + 1, kAaa}}}, kAaa);
    EXPECT_EQ(numbers_of(a->waiting_messages(kPhone.key, 10)),
              std::vector<PhoneNumber>{kNumber + 1});
}

}  // namespace
}  // namespace qorvex::hunt::postgres
