#pragma once

// A connection to the server made on a thread of its own, so that a server
// that is slow to answer (or has stopped answering) never holds up the
// hunt. An attempt dropped before it finished is left to finish alone;
// any_running() then tells the program to end without static destructors.

#include <chrono>
#include <memory>
#include <optional>
#include <string>

namespace qorvex::hunt::postgres {

struct ServerConnection;

class ConnectionAttempt {
public:
    explicit ConnectionAttempt(std::string uri);
    ~ConnectionAttempt();
    ConnectionAttempt(const ConnectionAttempt&) = delete;
    ConnectionAttempt& operator=(const ConnectionAttempt&) = delete;

    // The connection, once the attempt finishes within `wait`; nullopt while
    // it still runs. An attempt that failed throws its pqxx error.
    std::optional<std::unique_ptr<ServerConnection>> result(std::chrono::milliseconds wait);

    static bool any_running();

    struct Shared;

private:
    std::shared_ptr<Shared> m_shared;
};

}  // namespace qorvex::hunt::postgres
