// The shared history's reader answers what the SQLite history's reader
// answers for the same cycles.

#include "hunt/postgres/postgres_history_reader.h"

#include <gtest/gtest.h>

#include "hunt/postgres/postgres_store.h"
#include "hunt/sqlite/sqlite_history_reader.h"
#include "hunt/sqlite/sqlite_store.h"
#include "hunt_postgres/test_database.h"
#include "hunt_sqlite/history_folder.h"

namespace qorvex::hunt::postgres {
namespace {

constexpr TimeMs kStart = 1'796'900'000'000;
constexpr ClassMask kAlert = 1;

// Three targets' cycles, with repeats, a failure, a refusal, hits and states.
void write_cycles(HuntStore& store) {
    const std::vector<std::string> targets{"Tavikmax/广东/深圳", "Tavikmax/北京/北京",
                                           "Tavikmax/<b>/\"x\""};
    for (int cycle = 0; cycle < 30; ++cycle) {
        for (std::size_t t = 0; t < targets.size(); ++t) {
            auto outcome = cycle == 4   ? CycleOutcome::Failed
                           : cycle == 9 ? CycleOutcome::RateLimited
                                        : CycleOutcome::Numbers;
            std::vector<Sighting> sightings;
            for (int i = 0; outcome == CycleOutcome::Numbers && i < 12; ++i) {
                const PhoneNumber tail = (cycle * 17 + i * 29 + std::int64_t(t)) % 120;
                sightings.push_back({13900000000 + tail * 10, ClassMask(tail % 9 == 0 ? 1 : 2)});
            }
            store.record_cycle(
                {targets[t], kStart + cycle * 70'000 + TimeMs(t), outcome, 12, 5, ""}, sightings,
                kAlert);
        }
    }
    store.record_target_state(targets[0], "stopped", "coverage 90.2% of 90%", kStart + 1);
}

template <typename Reader>
std::vector<std::string> answers(Reader& reader) {
    std::vector<std::string> texts;
    for (const auto& target : reader.targets(kStart + 1'000'000)) {
        std::string text = target.label + " " + std::to_string(target.cycles) + " " +
                           std::to_string(target.failures) + " " + std::to_string(target.backoffs) +
                           " " + std::to_string(target.sightings) + " " +
                           std::to_string(target.hits) + " " + std::to_string(*target.last_cycle) +
                           " " + std::to_string(target.recent_cycles) + " " +
                           std::to_string(target.capture.distinct_numbers) + " sizes";
        for (const auto& [size, cycles] : target.capture.reply_sizes) {
            text += " " + std::to_string(size) + "x" + std::to_string(cycles);
        }
        text += " frequencies";
        for (const auto& [seen, numbers] : target.capture.frequencies) {
            text += " " + std::to_string(seen) + "x" + std::to_string(numbers);
        }
        text += target.state ? " " + target.state->state + " " + target.state->reason : " none";
        texts.push_back(text);
        for (const auto& bucket : reader.cycle_buckets(target.id, kStart + 300'000, 180'000)) {
            texts.push_back("  step " + std::to_string(bucket.start) + " " +
                            std::to_string(bucket.new_numbers) + " " +
                            std::to_string(bucket.replies) + " " + std::to_string(bucket.failures) +
                            " " + std::to_string(bucket.backoffs) + " " +
                            std::to_string(bucket.capture.distinct_numbers));
        }
    }
    for (const auto& hit : reader.hits(5, HitCursor{kStart + 1'000'000, 2, 0})) {
        texts.push_back("hit " + hit.target + " " + std::to_string(hit.number) + " " +
                        std::to_string(hit.at) + " " + std::to_string(hit.first_seen));
    }
    NumberQuery query;
    query.any_of_classes = 1;
    query.first_seen_since = kStart + 100'000;
    query.digits = "13900001";
    query.after = NumberCursor{1, 13900000500};
    reader.scan_numbers(query, [&](const StoredNumber& row) {
        texts.push_back("number " + std::to_string(row.target_id) + " " +
                        std::to_string(row.number) + " " + std::to_string(row.times_seen));
        return texts.size() < 200;
    });
    return texts;
}

TEST(PostgresHistoryReader, AnswersAsTheSqliteReaderDoesForTheSameCycles) {
    test::TestDatabase database;
    test::HistoryFolder folder;
    {
        PostgresOptions options;
        options.queue_path = folder.file("queue.db");
        auto shared = PostgresStore::open(database.uri(), options);
        write_cycles(*shared);
        auto file = sqlite::SqliteStore::open(folder.file("hunt.db"));
        write_cycles(*file);
    }
    auto shared = PostgresHistoryReader::open(database.uri());
    auto file = sqlite::SqliteHistoryReader::open(folder.file("hunt.db"));
    const auto expected = answers(*file);
    EXPECT_GT(expected.size(), 20U);
    EXPECT_TRUE(expected.back().starts_with("number ")) << "the filter finds numbers";
    EXPECT_EQ(answers(*shared), expected);
}

}  // namespace
}  // namespace qorvex::hunt::postgres
