#include "hunt/sqlite/sqlite_schema.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sstream>

#include "hunt/sqlite/sqlite_store.h"
#include "hunt_sqlite/history_folder.h"

namespace qorvex::hunt::sqlite {
namespace {

using test::HistoryFolder;

std::string contents(const std::string& path) {
    // Read through a string stream: GCC 12 at -O1 (the tsan preset) warns of a
    // null dereference inside istreambuf_iterator.
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

int newest_version() {
    return schema_migrations().back().version;
}

TEST(SqliteSchema, NewOrEmptyFilesBecomeHistoriesOfTheNewestVersion) {
    HistoryFolder folder;
    std::ofstream(folder.file("empty.db")).close();
    for (const std::string name : {"new.db", "empty.db"}) {
        SCOPED_TRACE(name);
        SqliteStore::open(folder.file(name));
        Connection check(folder.file(name), Connection::Create::Never);
        EXPECT_EQ(check.query_integer("PRAGMA user_version"), newest_version());
        EXPECT_EQ(check.query_integer("PRAGMA application_id"), kApplicationId);
        EXPECT_EQ(check.query_text("PRAGMA journal_mode"), "wal");
    }
}

struct RefusedCase {
    const char* label;
    std::function<void(const std::string& path)> make;
    StoreError::Kind kind;
};

TEST(SqliteSchema, RefusesWhatIsNotAHistoryOfAKnownVersionAndLeavesItAsItWas) {
    const std::vector<RefusedCase> cases{
        {"a text file", [](const std::string& path) { std::ofstream(path) << "13800138000,AAA\n"; },
         StoreError::Kind::NotAStore},
        {"another program's database",
         [](const std::string& path) {
             Connection(path, Connection::Create::IfMissing).exec("CREATE TABLE notes(t TEXT)");
         },
         StoreError::Kind::NotAStore},
        {"a history of a newer schema",
         [](const std::string& path) {
             Connection other(path, Connection::Create::IfMissing);
             other.exec("CREATE TABLE later(t TEXT)");
             other.exec("PRAGMA application_id = " + std::to_string(kApplicationId));
             other.exec("PRAGMA user_version = " + std::to_string(newest_version() + 1));
         },
         StoreError::Kind::NewerSchema},
    };
    for (const RefusedCase& c : cases) {
        SCOPED_TRACE(c.label);
        HistoryFolder folder;
        const std::string path = folder.file("hunt.db");
        c.make(path);
        const std::string before = contents(path);
        try {
            SqliteStore::open(path);
            ADD_FAILURE() << "opened";
        } catch (const StoreError& error) {
            EXPECT_EQ(error.kind(), c.kind) << error.what();
            EXPECT_NE(std::string(error.what()).find(path), std::string::npos) << error.what();
        }
        EXPECT_EQ(contents(path), before);
    }
}

// A later schema as a later program would ship it: a column with a value
// derived from the rows already there.
std::vector<Migration> with_later_step(std::vector<std::string_view> statements) {
    std::vector<Migration> migrations(schema_migrations().begin(), schema_migrations().end());
    migrations.push_back({newest_version() + 1, std::move(statements)});
    return migrations;
}

TEST(SqliteSchema, MigratesAnOlderFileAndKeepsItsRows) {
    HistoryFolder folder;
    const std::string path = folder.file("hunt.db");
    auto store = SqliteStore::open(path);
    CycleRecord cycle{"Tavikmax/广东/深圳", 1000, CycleOutcome::Numbers, 2, 50, {}};
    store->record_cycle(cycle, {{{13800138000, 1}, {13800138001, 2}}}, 0);
    store.reset();

    Connection connection(path, Connection::Create::Never);
    const auto later =
        with_later_step({"ALTER TABLE numbers ADD COLUMN rare INTEGER NOT NULL "
                         "DEFAULT 0",
                         "UPDATE numbers SET rare = (classes & 1)"});
    EXPECT_EQ(check_history(connection, later), newest_version());
    migrate(connection, later);
    EXPECT_EQ(connection.query_integer("PRAGMA user_version"), newest_version() + 1);
    EXPECT_EQ(connection.query_integer("SELECT sum(rare) FROM numbers"), 1);
    EXPECT_EQ(connection.query_integer("SELECT count(*) FROM cycles"), 1);
}

// A history written before the outbox: a reader finds no outbox in it and
// leaves it as it is; a hunter migrates it and stores hits' messages.
TEST(SqliteSchema, AHistoryOlderThanTheOutboxIsReadAsItIsAndMigratedByAHunter) {
    HistoryFolder folder;
    const std::string path = folder.file("hunt.db");
    {
        Connection old(path, Connection::Create::IfMissing);
        old.exec("PRAGMA journal_mode = WAL");
        migrate(old, schema_migrations().first(2));
        old.exec("INSERT INTO targets(label) VALUES('Tavikmax/广东/深圳')");
        old.exec(
            "INSERT INTO cycles(target_id, started, outcome, numbers_in_reply, "
            "distinct_numbers, new_numbers, duration_ms, error) "
            "VALUES(1, 500, 'empty', 0, 0, 0, 10, '')");
    }
    {
        auto reader = SqliteStore::open_for_reading(path);
        EXPECT_TRUE(reader->outbox_counts().empty());
        EXPECT_TRUE(reader->failed_messages(20).empty());
        EXPECT_EQ(reader->summaries().size(), 1U);
    }
    EXPECT_EQ(Connection(path, Connection::Create::Never).query_integer("PRAGMA user_version"), 2);

    auto store = SqliteStore::open(path);
    store->register_channels({{{"key", "wecom://***"}}});
    store->record_cycle({"Tavikmax/广东/深圳", 1000, CycleOutcome::Numbers, 1, 50, {}},
                        {{{13800138000, 1}}}, 1);
    EXPECT_EQ(store->waiting_messages("key", 10).size(), 1U);
    EXPECT_EQ(store->summaries().at(0).cycles, 2);
    EXPECT_EQ(Connection(path, Connection::Create::Never).query_integer("PRAGMA user_version"),
              newest_version());
}

TEST(SqliteSchema, AFailedMigrationLeavesTheFileAtItsVersion) {
    HistoryFolder folder;
    const std::string path = folder.file("hunt.db");
    SqliteStore::open(path);
    Connection connection(path, Connection::Create::Never);
    const auto broken =
        with_later_step({"CREATE TABLE half_done(t TEXT)", "UPDATE no_such_table SET x = 1"});
    EXPECT_THROW(migrate(connection, broken), StoreError);
    EXPECT_EQ(connection.query_integer("PRAGMA user_version"), newest_version());
    EXPECT_EQ(
        connection.query_integer("SELECT count(*) FROM sqlite_schema WHERE name = 'half_done'"), 0);
}

}  // namespace
}  // namespace qorvex::hunt::sqlite
