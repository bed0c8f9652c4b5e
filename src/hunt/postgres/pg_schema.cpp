#include "hunt/postgres/pg_schema.h"

#include <pqxx/pqxx>
#include <string>
#include <string_view>
#include <vector>

#include "hunt/store.h"

namespace qorvex::hunt::postgres {

namespace {

// Any fixed number the hunters agree on: the lock that serialises migrations.
constexpr long long kMigrationLock = 0x51525648;

struct Migration {
    int version;
    std::vector<std::string_view> statements;
};

// The SQLite history's tables in PostgreSQL's types. numbers leaves room on
// its pages so that a repeat's update stays on the row's page and touches no
// index (a heap-only update: no indexed value changes). cycles carries the key
// its hunter gave it, so that a cycle sent again after a lost
// acknowledgement is recognised and skipped; leases say which hunter queries
// a target until when.
const std::vector<Migration> kMigrations{
    {1,
     {
         R"(CREATE TABLE targets(
                id bigserial PRIMARY KEY,
                label text NOT NULL UNIQUE,
                distinct_numbers bigint NOT NULL DEFAULT 0))",
         R"(CREATE TABLE numbers(
                target_id bigint NOT NULL REFERENCES targets(id),
                number bigint NOT NULL,
                classes integer NOT NULL,
                first_seen bigint NOT NULL,
                last_seen bigint NOT NULL,
                times_seen bigint NOT NULL,
                PRIMARY KEY(target_id, number)) WITH (fillfactor = 70))",
         R"(CREATE INDEX numbers_by_first_seen ON numbers(target_id, first_seen))",
         R"(CREATE TABLE cycles(
                id bigserial PRIMARY KEY,
                cycle_key text NOT NULL UNIQUE,
                hunter_id text NOT NULL,
                target_id bigint NOT NULL REFERENCES targets(id),
                started bigint NOT NULL,
                outcome text NOT NULL,
                numbers_in_reply integer NOT NULL,
                distinct_numbers integer NOT NULL,
                new_numbers integer NOT NULL,
                duration_ms integer NOT NULL,
                error text NOT NULL))",
         R"(CREATE INDEX cycles_by_target ON cycles(target_id, started))",
         R"(CREATE TABLE hits(
                target_id bigint NOT NULL REFERENCES targets(id),
                number bigint NOT NULL,
                at bigint NOT NULL,
                classes integer NOT NULL,
                PRIMARY KEY(target_id, number)))",
         R"(CREATE TABLE reply_sizes(
                target_id bigint NOT NULL REFERENCES targets(id),
                size integer NOT NULL,
                cycles bigint NOT NULL,
                PRIMARY KEY(target_id, size)))",
         R"(CREATE TABLE leases(
                target_id bigint PRIMARY KEY REFERENCES targets(id),
                hunter_id text NOT NULL,
                expires bigint NOT NULL))",
     }},
    // Each hit names the hunter that alerts it (its owner) and the cycle
    // that stored it: a cycle sent again after a lost acknowledgement gives
    // its hits back, and a hit of another hunter's alert set waits, not
    // announced, until its owner takes it. watches holds each hunter's alert
    // classes for the targets it hunts. The export pages through a target's
    // numbers by (first_seen, number), which its index now orders.
    {2,
     {
         R"(ALTER TABLE hits ADD COLUMN id bigserial,
                ADD COLUMN owner text NOT NULL DEFAULT '',
                ADD COLUMN cycle_key text NOT NULL DEFAULT '',
                ADD COLUMN announced boolean NOT NULL DEFAULT true)",
         R"(CREATE INDEX hits_to_announce ON hits(owner) WHERE NOT announced)",
         R"(CREATE INDEX hits_by_cycle ON hits(cycle_key))",
         R"(CREATE TABLE watches(
                target_id bigint NOT NULL REFERENCES targets(id),
                hunter_id text NOT NULL,
                alert_classes integer NOT NULL,
                expires bigint NOT NULL,
                PRIMARY KEY(target_id, hunter_id)))",
         R"(DROP INDEX numbers_by_first_seen)",
         R"(CREATE INDEX numbers_by_first_seen ON numbers(target_id, first_seen, number))",
     }},
    // The outbox: each hunter's channels (by a key without secrets, and the
    // masked URL to show), and one message per hit and channel of the hit's
    // owner, written with the hit. A message is waiting until the service
    // accepts it (delivered) or refuses it for good (failed); its owner
    // sends it, and a live hunter with the same channel takes over the
    // messages of one that is gone. The unique key keeps one message per
    // hit and channel whatever is sent again; the partial index is the
    // sender's scan.
    {3,
     {
         R"(CREATE TABLE channels(
                hunter_id text NOT NULL,
                channel_key text NOT NULL,
                shown text NOT NULL,
                PRIMARY KEY(hunter_id, channel_key)))",
         R"(CREATE INDEX channels_by_key ON channels(channel_key))",
         R"(CREATE TABLE outbox(
                id bigserial PRIMARY KEY,
                owner text NOT NULL,
                channel_key text NOT NULL,
                target_id bigint NOT NULL REFERENCES targets(id),
                number bigint NOT NULL,
                classes integer NOT NULL,
                first_seen bigint NOT NULL,
                created bigint NOT NULL,
                state text NOT NULL DEFAULT 'waiting'
                    CHECK (state IN ('waiting', 'delivered', 'failed')),
                failures integer NOT NULL DEFAULT 0,
                next_attempt bigint NOT NULL,
                error text NOT NULL DEFAULT '',
                finished bigint,
                UNIQUE(target_id, number, channel_key)))",
         R"(CREATE INDEX outbox_waiting ON outbox(channel_key, id) WHERE state = 'waiting')",
     }},
    // What the hunt does with each target, for the readers of the history.
    {4,
     {
         R"(CREATE TABLE target_states(
                target_id bigint PRIMARY KEY REFERENCES targets(id),
                state text NOT NULL,
                reason text NOT NULL,
                since bigint NOT NULL))",
     }},
};

int stored_version(pqxx::transaction_base& work) {
    const pqxx::result table = work.exec_params(
        "SELECT 1 FROM information_schema.tables "
        "WHERE table_schema = current_schema() AND table_name = 'qorvex_schema'");
    if (table.empty()) {
        return 0;
    }
    const pqxx::result version = work.exec("SELECT version FROM qorvex_schema");
    return version.empty() ? 0 : version[0][0].as<int>();
}

}  // namespace

void ensure_schema(pqxx::connection_base& connection, const std::string& where) {
    pqxx::work work(connection);
    work.exec_params("SELECT pg_advisory_xact_lock($1)", kMigrationLock);
    const int version = stored_version(work);
    if (version > kSchemaVersion) {
        throw StoreError(StoreError::Kind::NewerSchema,
                         where + ": the shared history has schema version " +
                             std::to_string(version) +
                             ", written by a newer qorvex-hunt; this one knows up to " +
                             std::to_string(kSchemaVersion) + ". Nothing was changed.");
    }
    if (version == kSchemaVersion) {
        return;
    }
    if (version == 0) {
        const pqxx::result others = work.exec_params(
            "SELECT count(*) FROM information_schema.tables "
            "WHERE table_schema = current_schema() AND table_name IN "
            "('targets', 'numbers', 'cycles', 'hits', 'leases')");
        if (others[0][0].as<int>() > 0) {
            throw StoreError(StoreError::Kind::NotAStore,
                             where +
                                 ": the database holds tables of the same names that are "
                                 "not a hunt history. Nothing was changed.");
        }
        work.exec("CREATE TABLE qorvex_schema(version integer NOT NULL)");
        work.exec("INSERT INTO qorvex_schema VALUES (0)");
    }
    for (const Migration& step : kMigrations) {
        if (step.version <= version) {
            continue;
        }
        for (const std::string_view statement : step.statements) {
            work.exec(std::string(statement));
        }
        work.exec_params("UPDATE qorvex_schema SET version = $1", step.version);
    }
    work.commit();
}

}  // namespace qorvex::hunt::postgres
