#include "hunt/postgres/statement_watch.h"

#include <sys/socket.h>

#include <algorithm>

namespace qorvex::hunt::postgres {

namespace {

// How often a stop is looked for, and the grace a statement gets after it:
// short enough that a stopped hunter ends within a second.
constexpr std::chrono::milliseconds kPoll{50};
constexpr std::chrono::milliseconds kGraceAfterStop{200};

}  // namespace

StatementWatch::StatementWatch(std::function<bool()> give_up)
    : m_give_up(std::move(give_up)), m_thread([this] { run(); }) {}

StatementWatch::~StatementWatch() {
    {
        const std::lock_guard lock(m_lock);
        m_closing = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

StatementWatch::Guard StatementWatch::watch(int socket, std::chrono::milliseconds limit) {
    {
        const std::lock_guard lock(m_lock);
        m_socket = socket;
        m_deadline = Clock::now() + limit;
    }
    m_changed.notify_all();
    return Guard(*this);
}

StatementWatch::Guard::~Guard() {
    const std::lock_guard lock(m_watch.m_lock);
    m_watch.m_socket = -1;
}

void StatementWatch::run() {
    std::unique_lock lock(m_lock);
    while (!m_closing) {
        if (m_socket < 0) {
            m_changed.wait(lock);
            continue;
        }
        m_changed.wait_for(lock, kPoll);
        if (m_socket < 0) {
            continue;
        }
        const auto now = Clock::now();
        if (m_give_up && m_give_up()) {
            m_deadline = std::min(m_deadline, now + kGraceAfterStop);
        }
        if (now >= m_deadline) {
            // The socket stays open (libpq closes it); only its traffic ends.
            ::shutdown(m_socket, SHUT_RDWR);
            m_socket = -1;
        }
    }
}

}  // namespace qorvex::hunt::postgres
