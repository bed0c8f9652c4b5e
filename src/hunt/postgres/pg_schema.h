#pragma once

// The shared history's schema on the server, created and brought up to date
// by the hunter itself. The version sits in a table of its own; migrations
// run under an advisory lock, so hunters starting together migrate once.

#include <string>

namespace pqxx {
class connection_base;
}

namespace qorvex::hunt::postgres {

inline constexpr int kSchemaVersion = 4;

// Creates or migrates the schema. A database of a newer schema: StoreError
// NewerSchema, nothing changed. Throws pqxx errors for the caller to name.
void ensure_schema(pqxx::connection_base& connection, const std::string& where);

}  // namespace qorvex::hunt::postgres
