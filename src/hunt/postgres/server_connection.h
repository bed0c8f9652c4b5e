#pragma once

// A connection to the shared history's server, made with the settings that
// bound every wait on it and with the store's statements prepared.

#include <cstddef>
#include <memory>
#include <pqxx/pqxx>
#include <string>

#include "hunt/postgres/postgres_store.h"

namespace qorvex::hunt::postgres {

struct ServerConnection {
    explicit ServerConnection(const std::string& uri) : connection(uri) {}
    pqxx::connection connection;
};

// Rows per page of the export's "export_page" statement.
inline constexpr std::size_t kExportPage = 5000;

// The URI with the settings that bound every wait on the server, unless
// it sets them itself: the connection's time-out, keepalives and a limit on
// unacknowledged data (a vanished peer), and the statement time-out (a
// server that takes too long), added to its options.
std::string with_limits(const std::string& uri, const PostgresOptions& options);

// Connects to `uri` (as with_limits made it) and prepares every statement
// the store runs; pqxx errors as libpq reports them.
std::unique_ptr<ServerConnection> connect_to(const std::string& uri);

}  // namespace qorvex::hunt::postgres
