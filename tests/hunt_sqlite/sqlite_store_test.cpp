#include "hunt/sqlite/sqlite_store.h"

#include <gtest/gtest.h>

#include <map>

#include "hunt_sqlite/history_folder.h"

namespace qorvex::hunt::sqlite {
namespace {

using test::HistoryFolder;

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

}  // namespace
}  // namespace qorvex::hunt::sqlite
