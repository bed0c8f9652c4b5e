#include "hunt_cli/store_factory.h"

#include <filesystem>

#include "hunt/sqlite/sqlite_store.h"

namespace qorvex::hunt_cli {

namespace {
constexpr std::string_view kServerScheme = "postgresql://";
}

std::unique_ptr<hunt::HuntStore> open_store(const std::string& db, StoreUse use) {
    if (db.starts_with(kServerScheme)) {
        throw hunt::StoreError(hunt::StoreError::Kind::Unreachable,
                               "this build has no shared server store; give the path of a "
                               "history file");
    }
    std::error_code error;
    if (use == StoreUse::Read && !std::filesystem::exists(db, error)) {
        throw hunt::StoreError(hunt::StoreError::Kind::NotAStore, db + ": no such history file");
    }
    return hunt::sqlite::SqliteStore::open(db);
}

}  // namespace qorvex::hunt_cli
