#include "hunt_cli/store_factory.h"

#include <filesystem>

#include "hunt/postgres/postgres_history_reader.h"
#include "hunt/postgres/postgres_store.h"
#include "hunt/sqlite/sqlite_history_reader.h"
#include "hunt/sqlite/sqlite_store.h"
#include "hunt_cli/stop_signals.h"

namespace qorvex::hunt_cli {

namespace {
// libpq takes both spellings of the scheme.
constexpr std::string_view kServerScheme = "postgresql://";
constexpr std::string_view kShortServerScheme = "postgres://";

bool is_server_uri(const std::string& db) {
    return db.starts_with(kServerScheme) || db.starts_with(kShortServerScheme);
}
}  // namespace

std::unique_ptr<hunt::HuntStore> open_store(const std::string& db, StoreUse use,
                                            const HunterSettings& hunter) {
    if (is_server_uri(db)) {
        hunt::postgres::PostgresOptions options;
        options.hunter = use == StoreUse::Hunt;
        options.hunter_id = hunter.id;
        options.alert_classes = hunter.alert_classes;
        options.queue_path = hunter.queue;
        options.give_up = stop_requested;
        return hunt::postgres::PostgresStore::open(db, options);
    }
    if (use == StoreUse::Read) {
        return hunt::sqlite::SqliteStore::open_for_reading(db);
    }
    if (use == StoreUse::Change && !std::filesystem::exists(db)) {
        throw hunt::StoreError(hunt::StoreError::Kind::NotAStore, db + ": no such history file");
    }
    return hunt::sqlite::SqliteStore::open(db);
}

std::unique_ptr<hunt::HistoryReader> open_history_reader(const std::string& db) {
    if (is_server_uri(db)) {
        hunt::postgres::PostgresOptions options;
        options.hunter = false;
        return hunt::postgres::PostgresHistoryReader::open(db, options);
    }
    return hunt::sqlite::SqliteHistoryReader::open(db);
}

bool store_work_running() {
    return hunt::postgres::PostgresStore::connecting_in_background();
}

}  // namespace qorvex::hunt_cli
