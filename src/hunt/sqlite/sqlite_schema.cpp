#include "hunt/sqlite/sqlite_schema.h"

#include <string>

namespace qorvex::hunt::sqlite {

namespace {

// numbers and hits are keyed by (target, number) with no row id, so the key
// is the table and a repeat sighting touches one b-tree. The first-seen index
// serves the yield over a window and the export's order; it changes only
// when a number is new. reply_sizes keeps the capture history's histogram up
// to date per cycle, so the pool estimate never scans the cycles.
const std::vector<Migration> kMigrations{
    {1,
     {
         R"(CREATE TABLE targets(
                id INTEGER PRIMARY KEY,
                label TEXT NOT NULL UNIQUE,
                distinct_numbers INTEGER NOT NULL DEFAULT 0))",
         R"(CREATE TABLE numbers(
                target_id INTEGER NOT NULL REFERENCES targets(id),
                number INTEGER NOT NULL,
                classes INTEGER NOT NULL,
                first_seen INTEGER NOT NULL,
                last_seen INTEGER NOT NULL,
                times_seen INTEGER NOT NULL,
                PRIMARY KEY(target_id, number)) WITHOUT ROWID)",
         R"(CREATE INDEX numbers_by_first_seen ON numbers(target_id, first_seen))",
         R"(CREATE TABLE cycles(
                id INTEGER PRIMARY KEY,
                target_id INTEGER NOT NULL REFERENCES targets(id),
                started INTEGER NOT NULL,
                outcome TEXT NOT NULL,
                numbers_in_reply INTEGER NOT NULL,
                distinct_numbers INTEGER NOT NULL,
                new_numbers INTEGER NOT NULL,
                duration_ms INTEGER NOT NULL,
                error TEXT NOT NULL))",
         R"(CREATE INDEX cycles_by_target ON cycles(target_id, started))",
         R"(CREATE TABLE hits(
                target_id INTEGER NOT NULL REFERENCES targets(id),
                number INTEGER NOT NULL,
                at INTEGER NOT NULL,
                classes INTEGER NOT NULL,
                PRIMARY KEY(target_id, number)) WITHOUT ROWID)",
         R"(CREATE TABLE reply_sizes(
                target_id INTEGER NOT NULL REFERENCES targets(id),
                size INTEGER NOT NULL,
                cycles INTEGER NOT NULL,
                PRIMARY KEY(target_id, size)) WITHOUT ROWID)",
     }},
    // Hunters sharing one file take turns per target, as on a shared server.
    {2,
     {
         R"(CREATE TABLE leases(
                target_id INTEGER PRIMARY KEY REFERENCES targets(id),
                hunter_id TEXT NOT NULL,
                expires INTEGER NOT NULL))",
     }},
    // The outbox: every hit's message for every channel of the hunter that
    // stored it, kept until the service takes it or refuses it for good.
    // Channels are named by a digest, never by their secrets; `shown` is the
    // masked URL. The sender reads one channel's waiting messages of one
    // hunter, oldest first, through the partial index, which holds only the
    // few messages still waiting; the report reads the failed ones, newest
    // first.
    {3,
     {
         R"(CREATE TABLE channels(
                key TEXT PRIMARY KEY,
                shown TEXT NOT NULL) WITHOUT ROWID)",
         R"(CREATE TABLE outbox(
                id INTEGER PRIMARY KEY,
                hunter_id TEXT NOT NULL,
                channel_key TEXT NOT NULL REFERENCES channels(key),
                target_id INTEGER NOT NULL REFERENCES targets(id),
                number INTEGER NOT NULL,
                classes INTEGER NOT NULL,
                first_seen INTEGER NOT NULL,
                created INTEGER NOT NULL,
                state TEXT NOT NULL CHECK(state IN ('waiting', 'delivered', 'failed')),
                failures INTEGER NOT NULL DEFAULT 0,
                next_attempt INTEGER NOT NULL,
                error TEXT NOT NULL DEFAULT '',
                finished INTEGER))",
         R"(CREATE INDEX outbox_waiting ON outbox(channel_key, hunter_id, id)
                WHERE state = 'waiting')",
         R"(CREATE INDEX outbox_failed ON outbox(finished) WHERE state = 'failed')",
     }},
    // What the hunt does with each target, for the readers of the history.
    {4,
     {
         R"(CREATE TABLE target_states(
                target_id INTEGER PRIMARY KEY REFERENCES targets(id),
                state TEXT NOT NULL,
                reason TEXT NOT NULL,
                since INTEGER NOT NULL))",
     }},
};

}  // namespace

std::span<const Migration> schema_migrations() {
    return kMigrations;
}

int check_history(Connection& connection, std::span<const Migration> migrations) {
    // The first statement makes SQLite read the file's header: a file that
    // is not a database fails here, before anything is written.
    const std::int64_t version = connection.query_integer("PRAGMA user_version");
    const std::int64_t application = connection.query_integer("PRAGMA application_id");
    const std::int64_t objects = connection.query_integer("SELECT count(*) FROM sqlite_schema");
    const int newest = migrations.empty() ? 0 : migrations.back().version;
    if (application == kApplicationId) {
        if (version > newest) {
            throw StoreError(StoreError::Kind::NewerSchema,
                             connection.path() + ": the history has schema version " +
                                 std::to_string(version) +
                                 ", written by a newer qorvex-hunt; this one knows up to " +
                                 std::to_string(newest) + ". Nothing was changed.");
        }
        return static_cast<int>(version);
    }
    if (application == 0 && version == 0 && objects == 0) {
        return 0;
    }
    throw StoreError(StoreError::Kind::NotAStore,
                     connection.path() +
                         ": the file is an SQLite database of another program, not a hunt "
                         "history. Nothing was changed.");
}

void migrate(Connection& connection, std::span<const Migration> migrations) {
    for (const Migration& step : migrations) {
        Transaction transaction(connection);
        // Another hunter may have migrated the file while this one waited.
        if (connection.query_integer("PRAGMA user_version") >= step.version) {
            continue;
        }
        for (const std::string_view statement : step.statements) {
            connection.exec(statement);
        }
        // Pragmas take no bound values; both numbers are this program's own.
        connection.exec("PRAGMA application_id = " + std::to_string(kApplicationId));
        connection.exec("PRAGMA user_version = " + std::to_string(step.version));
        transaction.commit();
    }
}

}  // namespace qorvex::hunt::sqlite
