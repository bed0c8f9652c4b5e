#include "hunt/postgres/connection_attempt.h"

#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

#include "hunt/postgres/server_connection.h"

namespace qorvex::hunt::postgres {

struct ConnectionAttempt::Shared {
    std::mutex lock;
    std::condition_variable finished;
    bool done = false;
    std::unique_ptr<ServerConnection> connection;
    std::exception_ptr error;
};

namespace {

std::atomic<int> g_running{0};

void attempt(std::shared_ptr<ConnectionAttempt::Shared> shared, const std::string& uri) {
    std::unique_ptr<ServerConnection> made;
    std::exception_ptr error;
    try {
        made = connect_to(uri);
    } catch (...) {
        error = std::current_exception();
    }
    {
        const std::lock_guard lock(shared->lock);
        shared->connection = std::move(made);
        shared->error = error;
        shared->done = true;
    }
    shared->finished.notify_all();
    shared.reset();  // closes a connection that nobody took
    --g_running;
}

}  // namespace

ConnectionAttempt::ConnectionAttempt(std::string uri) : m_shared(std::make_shared<Shared>()) {
    ++g_running;
    std::thread(attempt, m_shared, std::move(uri)).detach();
}

ConnectionAttempt::~ConnectionAttempt() = default;

std::optional<std::unique_ptr<ServerConnection>> ConnectionAttempt::result(
    std::chrono::milliseconds wait) {
    std::unique_lock lock(m_shared->lock);
    if (!m_shared->finished.wait_for(lock, wait, [this] { return m_shared->done; })) {
        return std::nullopt;
    }
    if (m_shared->error) {
        std::rethrow_exception(m_shared->error);
    }
    return std::move(m_shared->connection);
}

bool ConnectionAttempt::any_running() {
    return g_running > 0;
}

}  // namespace qorvex::hunt::postgres
