#include "hunt/sqlite/sqlite_outbox.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <optional>

#include "hunt/local_hunters/local_hunters.h"
#include "hunt/sqlite/sqlite_connection.h"
#include "hunt/sqlite/sqlite_store.h"
#include "hunt_sqlite/history_folder.h"

namespace qorvex::hunt::sqlite {
namespace {

using test::HistoryFolder;

constexpr ClassMask kAaa = 1U << 0;
constexpr ClassMask kAbcde = 1U << 3;
constexpr PhoneNumber kNumber = 13800138000;
const std::string kShenzhen = "Tavikmax/广东/深圳";
const std::vector<OutboxChannel> kChannels{{"key-ntfy", "ntfys://ntfy.sh/***"},
                                           {"key-wecom", "wecom://***"}};

CycleRecord cycle_at(TimeMs started) {
    CycleRecord cycle;
    cycle.target = kShenzhen;
    cycle.started = started;
    cycle.outcome = CycleOutcome::Numbers;
    cycle.numbers_in_reply = 2;
    return cycle;
}

std::vector<std::int64_t> ids_of(const std::vector<OutboxMessage>& messages) {
    std::vector<std::int64_t> ids;
    for (const auto& message : messages) {
        ids.push_back(message.id);
    }
    return ids;
}

// A hit's messages, one per channel, are written with the hit: a number
// that is not a hit, or was a hit before, gets none.
TEST(SqliteOutbox, AStoredHitGetsOneMessagePerChannel) {
    HistoryFolder folder;
    auto store = SqliteStore::open(folder.file("hunt.db"));
    store->register_channels(kChannels);
    store->record_cycle(cycle_at(1000), {{{kNumber, kAaa}, {kNumber + 1, kAbcde}}}, kAaa);
    store->record_cycle(cycle_at(2000), {{{kNumber, kAaa}}}, kAaa);
    for (const auto& channel : kChannels) {
        SCOPED_TRACE(channel.key);
        const auto waiting = store->waiting_messages(channel.key, 10);
        ASSERT_EQ(waiting.size(), 1U);
        EXPECT_EQ(waiting[0].channel_key, channel.key);
        EXPECT_EQ(waiting[0].target, kShenzhen);
        EXPECT_EQ(waiting[0].number, kNumber);
        EXPECT_EQ(waiting[0].classes, kAaa);
        EXPECT_EQ(waiting[0].first_seen, 1000);
        EXPECT_EQ(waiting[0].failures, 0);
        EXPECT_EQ(waiting[0].next_attempt, 1000);
    }
    EXPECT_TRUE(store->waiting_messages("key-unknown", 10).empty());
}

// A cycle the full disk refused leaves neither its hits nor their messages.
TEST(SqliteOutbox, ACycleRolledBackLeavesNoMessage) {
    HistoryFolder folder;
    const std::string path = folder.file("hunt.db");
    auto store = SqliteStore::open(path, {std::chrono::milliseconds(100), 256 * 1024});
    store->register_channels({{kChannels[0]}});
    std::vector<Sighting> sightings(100);
    std::int64_t stored = 0;
    bool full = false;
    for (int cycle = 0; cycle < 1000 && !full; ++cycle) {
        for (std::size_t i = 0; i < sightings.size(); ++i) {
            sightings[i] = {13800000000 + PhoneNumber{cycle} * 100 + PhoneNumber(i), kAaa};
        }
        try {
            store->record_cycle(cycle_at(cycle), sightings, kAaa);
            stored += std::int64_t(sightings.size());
        } catch (const StoreError& error) {
            ASSERT_EQ(error.kind(), StoreError::Kind::Full) << error.what();
            full = true;
        }
    }
    ASSERT_TRUE(full);
    const auto counts = store->outbox_counts();
    ASSERT_EQ(counts.size(), 1U);
    EXPECT_EQ(counts[0].waiting, stored);
    EXPECT_EQ(store->summaries().at(0).hits, stored);
}

pid_t ended_process() {
    const pid_t child = fork();
    if (child == 0) {
        _exit(0);
    }
    waitpid(child, nullptr, 0);
    return child;
}

// Messages of a hunter of this machine that was killed go to the next
// hunter that asks; those of a live hunter, or of another machine's, stay
// with it, so no two hunters send one message.
TEST(SqliteOutbox, WaitingMessagesOfAGoneHunterAreTakenOverOnly) {
    const std::string self = this_hunter_id();
    const std::string host = self.substr(0, self.rfind(':'));
    const struct {
        const char* label;
        std::string hunter;
        bool taken;
    } cases[] = {{"a killed hunter", host + ":" + std::to_string(ended_process()), true},
                 {"a live hunter", host + ":1", false},
                 {"another machine's hunter", "elsewhere.example:77", false}};
    for (const auto& row : cases) {
        SCOPED_TRACE(row.label);
        HistoryFolder folder;
        const std::string path = folder.file("hunt.db");
        auto store = SqliteStore::open(path);
        store->register_channels(kChannels);
        store->record_cycle(cycle_at(1000), {{{kNumber, kAaa}, {kNumber + 1, kAaa}}}, kAaa);
        Connection other(path, Connection::Create::Never);
        Statement rename(other, "UPDATE outbox SET hunter_id = ?1");
        rename.bind(1, row.hunter).run();

        EXPECT_EQ(store->waiting_messages(kChannels[0].key, 10).size(), row.taken ? 2U : 0U);
        Statement owners(other,
                         "SELECT count(*) FROM outbox WHERE hunter_id = ?1 AND channel_key = ?2");
        owners.bind(1, row.taken ? self : row.hunter).bind(2, kChannels[0].key);
        ASSERT_TRUE(owners.step());
        EXPECT_EQ(owners.integer(0), 2);
        owners.reset();
        // The other channel's messages wait for a hunter that asks for them.
        owners.bind(1, row.hunter).bind(2, kChannels[1].key);
        ASSERT_TRUE(owners.step());
        EXPECT_EQ(owners.integer(0), 2);
    }
}

// Hunters sharing the file and a channel share its service's rate: each
// sees the others' sends of the window (one per digest), not its own.
TEST(SqliteOutbox, OthersDeliveriesAreTheOtherHuntersSendsOnce) {
    HistoryFolder folder;
    const std::string path = folder.file("hunt.db");
    auto store = SqliteStore::open(path);
    store->register_channels(kChannels);
    store->record_cycle(cycle_at(1000),
                        {{{kNumber, kAaa}, {kNumber + 1, kAaa}, {kNumber + 2, kAaa}}}, kAaa);
    const auto ids = ids_of(store->waiting_messages(kChannels[0].key, 10));
    ASSERT_EQ(ids.size(), 3U);
    store->mark_delivered(std::span(ids).first(2), 5000);  // one digest of two
    store->mark_delivered(std::span(ids).last(1), 9000);
    EXPECT_TRUE(store->others_deliveries(kChannels[0].key, 0).empty()) << "its own sends";

    Connection other(path, Connection::Create::Never);
    Statement(other, "UPDATE outbox SET hunter_id = 'elsewhere.example:77'").run();
    EXPECT_EQ(store->others_deliveries(kChannels[0].key, 0), (std::vector<TimeMs>{5000, 9000}));
    EXPECT_EQ(store->others_deliveries(kChannels[0].key, 5000), std::vector<TimeMs>{9000});
    EXPECT_TRUE(store->others_deliveries(kChannels[1].key, 0).empty()) << "another channel";
}

// Delivered, retried and failed messages as the sender marks them, the
// counts and failures the report shows, and failures waiting again.
TEST(SqliteOutbox, MarksCountsFailuresAndRetries) {
    HistoryFolder folder;
    auto store = SqliteStore::open(folder.file("hunt.db"));
    store->register_channels(kChannels);
    store->record_cycle(cycle_at(1000),
                        {{{kNumber, kAaa}, {kNumber + 1, kAaa}, {kNumber + 2, kAaa}}}, kAaa);
    const auto ntfy = ids_of(store->waiting_messages(kChannels[0].key, 10));
    const auto wecom = ids_of(store->waiting_messages(kChannels[1].key, 10));
    ASSERT_EQ(ntfy.size(), 3U);
    ASSERT_EQ(wecom.size(), 3U);

    store->mark_delivered({{ntfy[0]}}, 2000);
    store->mark_retry({{ntfy[1]}}, 2, 5000, "HTTP 503");
    store->mark_failed({{ntfy[2]}}, 7000, "HTTP 400: token *** is invalid");
    store->mark_failed({{wecom[0]}}, 8000, "errcode 93000: invalid webhook url");
    // A settled message keeps its state whatever comes later.
    store->mark_delivered({{ntfy[2]}}, 9000);
    store->mark_retry({{ntfy[0]}}, 1, 9000, "late");

    const auto retried = store->waiting_messages(kChannels[0].key, 10);
    ASSERT_EQ(retried.size(), 1U);
    EXPECT_EQ(retried[0].id, ntfy[1]);
    EXPECT_EQ(retried[0].failures, 2);
    EXPECT_EQ(retried[0].next_attempt, 5000);
    EXPECT_EQ(store->waiting_messages(kChannels[1].key, 1).size(), 1U) << "the limit";

    const auto counts = store->outbox_counts();
    ASSERT_EQ(counts.size(), 2U);
    const struct { std::int64_t waiting, delivered, failed; } expected[] = {{1, 1, 1}, {2, 0, 1}};
    for (std::size_t i = 0; i < counts.size(); ++i) {
        SCOPED_TRACE(counts[i].channel_shown);
        EXPECT_EQ(counts[i].channel_shown, kChannels[i].shown);
        EXPECT_EQ(counts[i].waiting, expected[i].waiting);
        EXPECT_EQ(counts[i].delivered, expected[i].delivered);
        EXPECT_EQ(counts[i].failed, expected[i].failed);
    }

    const auto failures = store->failed_messages(10);
    ASSERT_EQ(failures.size(), 2U);
    EXPECT_EQ(failures[0].id, wecom[0]) << "newest first";
    EXPECT_EQ(failures[0].channel_shown, kChannels[1].shown);
    EXPECT_EQ(failures[0].target, kShenzhen);
    EXPECT_EQ(failures[0].number, kNumber);
    EXPECT_EQ(failures[0].failed_at, 8000);
    EXPECT_EQ(failures[0].error, "errcode 93000: invalid webhook url");
    EXPECT_EQ(failures[1].id, ntfy[2]);
    EXPECT_EQ(failures[1].error, "HTTP 400: token *** is invalid");
    EXPECT_EQ(store->failed_messages(1).size(), 1U);

    EXPECT_EQ(store->retry_failed(kChannels[0].key, 10000), 1);
    const auto again = store->waiting_messages(kChannels[0].key, 10);
    ASSERT_EQ(again.size(), 2U);
    EXPECT_EQ(again[1].id, ntfy[2]);
    EXPECT_EQ(again[1].failures, 0);
    EXPECT_EQ(again[1].next_attempt, 10000);
    EXPECT_EQ(store->retry_failed(std::nullopt, 10000), 1);
    EXPECT_EQ(store->retry_failed(std::nullopt, 10000), 0);
    EXPECT_TRUE(store->failed_messages(10).empty());
}

}  // namespace
}  // namespace qorvex::hunt::sqlite
