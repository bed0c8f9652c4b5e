#include "hunt_cli/store_factory.h"

#include "hunt/postgres/postgres_store.h"
#include "hunt/sqlite/sqlite_store.h"

namespace qorvex::hunt_cli {

namespace {
// libpq takes both spellings of the scheme.
constexpr std::string_view kServerScheme = "postgresql://";
constexpr std::string_view kShortServerScheme = "postgres://";
}  // namespace

std::unique_ptr<hunt::HuntStore> open_store(const std::string& db, StoreUse use,
                                            const std::string& queue) {
    if (db.starts_with(kServerScheme) || db.starts_with(kShortServerScheme)) {
        hunt::postgres::PostgresOptions options;
        options.queue_path = queue;
        return hunt::postgres::PostgresStore::open(db, options);
    }
    if (use == StoreUse::Read) {
        return hunt::sqlite::SqliteStore::open_for_reading(db);
    }
    return hunt::sqlite::SqliteStore::open(db);
}

}  // namespace qorvex::hunt_cli
