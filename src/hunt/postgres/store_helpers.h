#pragma once

// What the shared store's source files (postgres_store.cpp and
// postgres_outbox.cpp) share: running a statement under the watch, and
// binding a list of numbers as one array value.

#include <chrono>
#include <pqxx/pqxx>
#include <string>

#include "hunt/postgres/postgres_store.h"
#include "hunt/postgres/server_connection.h"

namespace qorvex::hunt::postgres {

// A statement the server does not cancel itself (at the statement limit)
// within this margin has a server that stopped answering.
inline constexpr std::chrono::milliseconds kWatchMargin{500};

template <typename Work>
auto PostgresStore::watched(Work&& work) {
    const auto guard =
        m_watch->watch(m_connection->connection.sock(), m_options.statement_limit + kWatchMargin);
    return work(m_connection->connection);
}

// A value for a bigint[] or integer[] parameter: the array's text form,
// bound like any other value.
template <typename Values, typename Pick>
std::string array_text(const Values& values, Pick pick) {
    std::string text = "{";
    for (const auto& value : values) {
        if (text.size() > 1) {
            text += ',';
        }
        text += std::to_string(pick(value));
    }
    return text + '}';
}

}  // namespace qorvex::hunt::postgres
