#include "hunt/sqlite/sqlite_store.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <optional>

#include "hunt/local_hunters/local_hunters.h"
#include "hunt/sqlite/sqlite_connection.h"
#include "hunt_sqlite/history_folder.h"

namespace qorvex::hunt::sqlite {
namespace {

using test::HistoryFolder;
namespace fs = std::filesystem;

constexpr ClassMask kAaa = 1U << 0;
constexpr ClassMask kAbcde = 1U << 3;
constexpr ClassMask kCustom = 1U << kCustomClassBit;
constexpr PhoneNumber kNumber = 13800138000;
const std::string kShenzhen = "Tavikmax/广东/深圳";
const std::string kHangzhou = "Tavikmax/浙江/杭州";

CycleRecord cycle_at(const std::string& target, TimeMs started,
                     CycleOutcome outcome = CycleOutcome::Numbers) {
    CycleRecord cycle;
    cycle.target = target;
    cycle.started = started;
    cycle.outcome = outcome;
    cycle.numbers_in_reply = 7;
    cycle.duration_ms = 120;
    return cycle;
}

std::vector<NumberRow> exported(HuntStore& store, const NumberFilter& filter = {}) {
    std::vector<NumberRow> rows;
    store.for_each_number(filter, [&](const NumberRow& row) {
        rows.push_back(row);
        return true;
    });
    return rows;
}

struct Step {
    TimeMs started;
    std::vector<Sighting> sightings;
    ClassMask alert;
};

struct MergeCase {
    const char* label;
    std::vector<Step> steps;
    NumberRow stored;                    // target left empty
    std::vector<NewNumber> last_commit;  // what the last step reported as new
};

TEST(SqliteStore, MergesSightingsOfOneNumber) {
    const std::vector<MergeCase> cases{
        {"a new number is stored with its sighting",
         {{1000, {{kNumber, kAaa}}, 0}},
         {{}, kNumber, kAaa, 1000, 1000, 1},
         {{kNumber, kAaa, false}}},
        {"a repeat moves last seen and counts, and is not new",
         {{1000, {{kNumber, kAaa}}, 0}, {2000, {{kNumber, kAaa}}, 0}},
         {{}, kNumber, kAaa, 1000, 2000, 2},
         {}},
        {"classes are united",
         {{1000, {{kNumber, kAaa}}, 0}, {2000, {{kNumber, kAbcde}}, 0}},
         {{}, kNumber, kAaa | kAbcde, 1000, 2000, 2},
         {}},
        {"an older sighting moves first seen back, not last seen",
         {{5000, {{kNumber, kAaa}}, 0}, {3000, {{kNumber, kAaa}}, 0}},
         {{}, kNumber, kAaa, 3000, 5000, 2},
         {}},
        {"a new number in an alert class is a hit",
         {{1000, {{kNumber, kAaa | kCustom}}, kCustom}},
         {{}, kNumber, kAaa | kCustom, 1000, 1000, 1},
         {{kNumber, kAaa | kCustom, true}}},
        {"a new number outside the alert classes is no hit",
         {{1000, {{kNumber, kAaa}}, kAbcde}},
         {{}, kNumber, kAaa, 1000, 1000, 1},
         {{kNumber, kAaa, false}}},
        {"a repeat in an alert class is no hit",
         {{1000, {{kNumber, kAaa}}, 0}, {2000, {{kNumber, kAaa}}, kAaa}},
         {{}, kNumber, kAaa, 1000, 2000, 2},
         {}},
    };
    for (const MergeCase& c : cases) {
        SCOPED_TRACE(c.label);
        HistoryFolder folder;
        auto store = SqliteStore::open(folder.file("hunt.db"));
        CycleCommit last;
        for (const Step& step : c.steps) {
            last =
                store->record_cycle(cycle_at(kShenzhen, step.started), step.sightings, step.alert);
        }
        const auto rows = exported(*store);
        ASSERT_EQ(rows.size(), 1U);
        EXPECT_EQ(rows[0].target, kShenzhen);
        EXPECT_EQ(rows[0].number, c.stored.number);
        EXPECT_EQ(rows[0].classes, c.stored.classes);
        EXPECT_EQ(rows[0].first_seen, c.stored.first_seen);
        EXPECT_EQ(rows[0].last_seen, c.stored.last_seen);
        EXPECT_EQ(rows[0].times_seen, c.stored.times_seen);
        ASSERT_EQ(last.new_numbers.size(), c.last_commit.size());
        for (std::size_t i = 0; i < c.last_commit.size(); ++i) {
            EXPECT_EQ(last.new_numbers[i].number, c.last_commit[i].number);
            EXPECT_EQ(last.new_numbers[i].classes, c.last_commit[i].classes);
            EXPECT_EQ(last.new_numbers[i].hit, c.last_commit[i].hit);
        }
    }
}

TEST(SqliteStore, KeepsTargetsApartAndSurvivesReopening) {
    HistoryFolder folder;
    const std::string path = folder.file("hunt.db");
    SqliteStore::open(path)->record_cycle(cycle_at(kShenzhen, 1000), {{{kNumber, kAaa}}}, kAaa);
    auto store = SqliteStore::open(path);
    const CycleCommit other =
        store->record_cycle(cycle_at(kHangzhou, 2000), {{{kNumber, kAaa}}}, kAaa);
    ASSERT_EQ(other.new_numbers.size(), 1U);
    EXPECT_TRUE(other.new_numbers[0].hit);
    const CycleCommit again =
        store->record_cycle(cycle_at(kShenzhen, 3000), {{{kNumber, kAaa}}}, kAaa);
    EXPECT_TRUE(again.new_numbers.empty());
    EXPECT_EQ(exported(*store).size(), 2U);
}

TEST(SqliteStore, SummarisesCyclesCaptureHistoryAndClasses) {
    HistoryFolder folder;
    auto store = SqliteStore::open(folder.file("hunt.db"));
    const std::vector<Sighting> first{{1, kAaa}, {2, kAaa | kAbcde}};
    const std::vector<Sighting> second{{2, kAbcde}, {3, 0}};
    const std::vector<Sighting> third{{1, kAaa}, {3, 0}, {4, kAbcde}};
    store->record_cycle(cycle_at(kShenzhen, 1000), first, kAbcde);
    store->record_cycle(cycle_at(kShenzhen, 2000), second, kAbcde);
    // Each repeat comes back with how often it had been seen before.
    EXPECT_EQ(store->record_cycle(cycle_at(kShenzhen, 3000), third, kAbcde).repeats,
              (std::vector<std::int64_t>{1, 1}));
    store->record_cycle(cycle_at(kShenzhen, 4000, CycleOutcome::Empty), {}, kAbcde);
    CycleRecord failed = cycle_at(kShenzhen, 5000, CycleOutcome::Failed);
    failed.error = "connection refused";
    store->record_cycle(failed, {}, kAbcde);
    // A target that never had a cycle is in no summary.
    store->capture_history(kHangzhou);

    const CaptureHistory capture = store->capture_history(kShenzhen);
    EXPECT_EQ(capture.distinct_numbers, 4);
    const std::vector<std::pair<int, std::int64_t>> sizes{{2, 2}, {3, 1}};
    EXPECT_EQ(capture.reply_sizes, sizes);
    // 4 was seen once; 1, 2 and 3 twice.
    const std::vector<std::pair<std::int64_t, std::int64_t>> frequencies{{1, 1}, {2, 3}};
    EXPECT_EQ(capture.frequencies, frequencies);
    EXPECT_EQ(store->cycles_since(kShenzhen, 3000), 3);
    EXPECT_EQ(store->new_numbers_since(kShenzhen, 2000), 2);
    EXPECT_EQ(store->new_numbers_since(kShenzhen, 3001), 0);
    EXPECT_EQ(store->new_numbers_since(kHangzhou, 0), 0);

    const auto summaries = store->summaries();
    ASSERT_EQ(summaries.size(), 1U);
    EXPECT_EQ(summaries[0].target, kShenzhen);
    EXPECT_EQ(summaries[0].cycles, 5);
    EXPECT_EQ(summaries[0].distinct_numbers, 4);
    EXPECT_EQ(summaries[0].hits, 2);  // 2 and 4 were new in ABCDE
    EXPECT_EQ(summaries[0].numbers_per_class[0], 2);
    EXPECT_EQ(summaries[0].numbers_per_class[3], 2);
    EXPECT_EQ(summaries[0].capture.reply_sizes, sizes);
    EXPECT_EQ(summaries[0].capture.frequencies, frequencies);
}

TEST(SqliteStore, ExportsFilteredNumbersInOrder) {
    HistoryFolder folder;
    auto store = SqliteStore::open(folder.file("hunt.db"));
    store->record_cycle(cycle_at(kShenzhen, 2000), {{{30, kAaa}, {10, kAbcde}}}, 0);
    store->record_cycle(cycle_at(kShenzhen, 1000), {{{20, 0}}}, 0);
    store->record_cycle(cycle_at(kHangzhou, 3000), {{{40, kAaa}}}, 0);

    struct ExportCase {
        const char* label;
        NumberFilter filter;
        std::vector<PhoneNumber> numbers;
    };
    const std::vector<ExportCase> cases{
        {"everything, by target then first seen then number", {}, {20, 10, 30, 40}},
        {"one target", {kShenzhen, 0, std::nullopt}, {20, 10, 30}},
        {"any of the classes", {std::nullopt, kAaa, std::nullopt}, {30, 40}},
        {"first seen since", {std::nullopt, 0, 2000}, {10, 30, 40}},
        {"all filters", {kShenzhen, kAaa | kAbcde, 1500}, {10, 30}},
        {"an unknown target", {"Tavikmax/广东/广州", 0, std::nullopt}, {}},
    };
    for (const ExportCase& c : cases) {
        SCOPED_TRACE(c.label);
        std::vector<PhoneNumber> numbers;
        for (const NumberRow& row : exported(*store, c.filter)) {
            numbers.push_back(row.number);
        }
        EXPECT_EQ(numbers, c.numbers);
    }
    int calls = 0;
    store->for_each_number({}, [&](const NumberRow&) { return ++calls < 2; });
    EXPECT_EQ(calls, 2);
    // The stopped query is reset: the next one starts from the beginning.
    EXPECT_EQ(exported(*store).size(), 4U);
}

std::unique_ptr<SqliteStore> open_reader(const std::string& path) {
    return SqliteStore::open_for_reading(path, {std::chrono::milliseconds(100), 0});
}

// The cycles a reader finds in the history, or 100 + the kind of its error.
int cycles_read(const std::string& path) {
    constexpr int kFailed = 100;
    try {
        const auto summaries = open_reader(path)->summaries();
        return summaries.empty() ? 0 : static_cast<int>(summaries[0].cycles);
    } catch (const StoreError& error) {
        return kFailed + static_cast<int>(error.kind());
    }
}

TEST(SqliteStore, ReadersNeedNoWriteAccessAndReadWhileAHunterWrites) {
    constexpr fs::perms kReadOnly = fs::perms::owner_read | fs::perms::group_read |
                                    fs::perms::others_read | fs::perms::owner_exec |
                                    fs::perms::group_exec | fs::perms::others_exec;
    constexpr fs::perms kReadOnlyFile =
        kReadOnly & ~fs::perms::owner_exec & ~fs::perms::group_exec & ~fs::perms::others_exec;
    const struct {
        const char* label;
        fs::perms file;
        fs::perms folder;
        bool hunter_writing;  // another connection holds the write lock mid-cycle
    } cases[] = {
        {"a read-only file", kReadOnlyFile, fs::perms::all, false},
        {"a read-only folder", fs::perms::all, kReadOnly, false},
        {"a hunter in the middle of a cycle", fs::perms::all, fs::perms::all, true},
        {"a read-only folder while a hunter writes", fs::perms::all, kReadOnly, true},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.label);
        HistoryFolder folder;
        const std::string path = folder.file("hunt.db");
        SqliteStore::open(path)->record_cycle(cycle_at(kShenzhen, 1000), {{{kNumber, kAaa}}}, 0);
        std::optional<Connection> hunter;
        if (row.hunter_writing) {
            hunter.emplace(path, Connection::Create::Never);
            hunter->exec("BEGIN IMMEDIATE");
            hunter->exec(
                "INSERT INTO cycles(target_id, started, outcome, numbers_in_reply, "
                "distinct_numbers, new_numbers, duration_ms, error) "
                "VALUES(1, 2000, 'numbers', 1, 1, 0, 5, '')");
        }
        fs::permissions(path, row.file);
        fs::permissions(folder.path(), row.folder);
        EXPECT_EQ(test::run_unprivileged([&] { return cycles_read(path); }), 1)
            << "the committed cycle, read at once";
        // An index left by a reader of another user would keep a hunter out.
        EXPECT_EQ(fs::exists(path + "-shm"), row.hunter_writing);
    }
}

TEST(SqliteStore, HuntersOnOneFileLeaseEachTargetToOneAtATime) {
    HistoryFolder folder;
    const std::string path = folder.file("hunt.db");
    auto first = SqliteStore::open(path);
    auto second = SqliteStore::open(path);
    constexpr TimeMs kLease = 1000;
    const struct {
        const char* label;
        HuntStore* store;
        const char* hunter;
        const std::string& target;
        TimeMs now;
        bool granted;
    } steps[] = {
        {"the first hunter takes the target", first.get(), "a", kShenzhen, 0, true},
        {"the second is refused while the lease runs", second.get(), "b", kShenzhen, 500, false},
        {"another target is free", second.get(), "b", kHangzhou, 500, true},
        {"the holder renews its lease", first.get(), "a", kShenzhen, 900, true},
        {"the renewed lease still holds", second.get(), "b", kShenzhen, 1800, false},
        {"a lease that ran out is taken over", second.get(), "b", kShenzhen, 1900, true},
        {"and its old holder is refused", first.get(), "a", kShenzhen, 2000, false},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.label);
        EXPECT_EQ(step.store->lease_target(step.target, step.hunter, step.now, step.now + kLease),
                  step.granted);
    }
    second->release_targets("b");
    EXPECT_TRUE(first->lease_target(kHangzhou, "a", 2100, 2100 + kLease)) << "released";
    EXPECT_TRUE(first->lease_target(kShenzhen, "a", 2100, 2100 + kLease)) << "released";
}

// A hunter killed with SIGKILL releases nothing: another hunter of the same
// machine takes its targets at once, while a live holder keeps them.
TEST(SqliteStore, ALeaseOfAKilledHunterOfThisMachineIsTakenOverAtOnce) {
    HistoryFolder folder;
    auto store = SqliteStore::open(folder.file("hunt.db"));
    const pid_t child = fork();
    if (child == 0) {
        _exit(0);
    }
    ASSERT_GT(child, 0);
    ASSERT_EQ(waitpid(child, nullptr, 0), child);
    const std::string self = this_hunter_id();
    const std::string host = self.substr(0, self.rfind(':'));
    const std::string killed = host + ":" + std::to_string(child);
    constexpr TimeMs kHour = 3'600'000;
    ASSERT_TRUE(store->lease_target(kShenzhen, self, 0, kHour));
    EXPECT_FALSE(store->lease_target(kShenzhen, "other:1", 10, kHour)) << "a live holder";
    ASSERT_TRUE(store->lease_target(kHangzhou, killed, 0, kHour));
    EXPECT_TRUE(store->lease_target(kHangzhou, "other:1", 10, kHour)) << "a killed holder";
}

}  // namespace
}  // namespace qorvex::hunt::sqlite
