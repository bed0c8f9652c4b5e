#include "hunt/sqlite/sqlite_connection.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

#include "hunt/sqlite/sqlite_store.h"
#include "hunt_sqlite/history_folder.h"

namespace qorvex::hunt::sqlite {
namespace {

using test::HistoryFolder;
namespace fs = std::filesystem;

constexpr auto kShortWait = std::chrono::milliseconds(100);

CycleRecord cycle_at(TimeMs started) {
    return {"Tavikmax/广东/深圳", started, CycleOutcome::Numbers, 200, 80, {}};
}

std::optional<StoreError::Kind> kind_of_open(const std::string& path) {
    try {
        SqliteStore::open(path, {kShortWait, 0});
    } catch (const StoreError& error) {
        return error.kind();
    }
    return std::nullopt;
}

TEST(SqliteConnection, RefusesPathsThatCannotHoldAHistory) {
    HistoryFolder folder;
    fs::create_directory(folder.path() / "a-folder");
    EXPECT_EQ(kind_of_open(folder.file("a-folder")), StoreError::Kind::NotAStore);
    EXPECT_EQ(kind_of_open(folder.file("missing/hunt.db")), StoreError::Kind::Other);
    EXPECT_FALSE(fs::exists(folder.path() / "missing"));
}

TEST(SqliteConnection, ALockedHistoryIsBusyAfterTheWait) {
    HistoryFolder folder;
    const std::string path = folder.file("hunt.db");
    SqliteStore::open(path)->record_cycle(cycle_at(1000), {{{13800138000, 1}}}, 0);
    auto store = SqliteStore::open(path, {kShortWait, 0});

    Connection other(path, Connection::Create::Never);
    other.exec("BEGIN IMMEDIATE");
    EXPECT_EQ(kind_of_open(path), StoreError::Kind::Busy);
    try {
        store->record_cycle(cycle_at(2000), {{{13800138001, 1}}}, 0);
        ADD_FAILURE() << "recorded while locked";
    } catch (const StoreError& error) {
        EXPECT_EQ(error.kind(), StoreError::Kind::Busy) << error.what();
    }
    other.exec("ROLLBACK");
    // Once the lock is gone the same store writes again.
    store->record_cycle(cycle_at(3000), {{{13800138001, 1}}}, 0);
    EXPECT_EQ(store->capture_history("Tavikmax/广东/深圳").distinct_numbers, 2);
}

TEST(SqliteConnection, AFullHistoryRefusesTheCycleWhole) {
    HistoryFolder folder;
    const std::string path = folder.file("hunt.db");
    auto store = SqliteStore::open(path, {kShortWait, std::int64_t{256} * 1024});
    std::vector<Sighting> sightings(200);
    int stored = 0;
    std::optional<StoreError> failure;
    for (int cycle = 0; cycle < 1000 && !failure; ++cycle) {
        for (std::size_t i = 0; i < sightings.size(); ++i) {
            sightings[i] = {13800000000 + PhoneNumber{cycle} * 200 + static_cast<PhoneNumber>(i),
                            1};
        }
        try {
            store->record_cycle(cycle_at(cycle), sightings, 0);
            ++stored;
        } catch (const StoreError& error) {
            failure = error;
        }
    }
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(failure->kind(), StoreError::Kind::Full) << failure->what();
    store.reset();

    auto reopened = SqliteStore::open(path);
    EXPECT_EQ(reopened->capture_history("Tavikmax/广东/深圳").distinct_numbers, stored * 200);
    EXPECT_EQ(reopened->summaries().at(0).cycles, stored);
    Connection check(path, Connection::Create::Never);
    EXPECT_EQ(check.query_text("PRAGMA integrity_check"), "ok");
}

std::optional<StoreError::Kind> kind_of_open_unprivileged(const std::string& path) {
    constexpr int kOpened = 100;
    const auto status = test::run_unprivileged([&] {
        const auto kind = kind_of_open(path);
        return kind ? static_cast<int>(*kind) : kOpened;
    });
    if (!status || *status == kOpened) {
        return std::nullopt;
    }
    return static_cast<StoreError::Kind>(*status);
}

TEST(SqliteConnection, AHistoryThatCannotBeWrittenIsReadOnly) {
    struct Case {
        const char* label;
        fs::perms file;
        fs::perms folder;
    };
    const std::vector<Case> cases{
        {"a read-only file", fs::perms::owner_read | fs::perms::others_read, fs::perms::all},
        {"a read-only folder", fs::perms::all,
         fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
             fs::perms::others_exec},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        HistoryFolder folder;
        const std::string path = folder.file("hunt.db");
        SqliteStore::open(path);
        fs::permissions(path, c.file);
        fs::permissions(folder.path(), c.folder);
        EXPECT_EQ(kind_of_open_unprivileged(path), StoreError::Kind::ReadOnly);
    }
}

}  // namespace
}  // namespace qorvex::hunt::sqlite
