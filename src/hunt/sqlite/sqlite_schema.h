#pragma once

// The history file's schema and how a file is brought to it. A hunt history
// carries its own application id and its schema version (PRAGMA
// application_id and user_version); each migration takes a file from one
// version to the next inside the same transaction as the version change, so
// a file is always at one whole version.

#include <span>
#include <string_view>
#include <vector>

#include "hunt/sqlite/sqlite_connection.h"

namespace qorvex::hunt::sqlite {

// "QRVH": marks a file as a hunt history, so another program's SQLite file
// is never taken for one.
inline constexpr std::int64_t kApplicationId = 0x51525648;

struct Migration {
    int version;  // the version the file has after this step
    std::vector<std::string_view> statements;
};

// Every step from an empty file to the current schema, oldest first.
std::span<const Migration> schema_migrations();

// The oldest version a reader (report, export) can read without migrating:
// later steps add only what hunters need among themselves.
inline constexpr int kOldestReadableVersion = 1;

// The first version whose file holds the outbox; a reader of an older file
// finds no outbox in it.
inline constexpr int kOutboxVersion = 3;

// Looks at the file without writing to it and refuses what is not a hunt
// history at a version this program knows: a file that is not a database or
// holds another program's data (NotAStore), a newer schema (NewerSchema).
// Returns the file's version (0 for a new, empty file).
int check_history(Connection& connection, std::span<const Migration> migrations);

// Applies the steps the file lacks, each in one transaction with its version.
void migrate(Connection& connection, std::span<const Migration> migrations);

}  // namespace qorvex::hunt::sqlite
