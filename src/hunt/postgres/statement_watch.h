#pragma once

// A bound on how long a statement may wait for the server. A server that
// stops answering without closing anything (paused, or behind a network
// that drops every packet) leaves libpq waiting for the kernel's
// retransmission limit, many minutes, and keepalives do not help while the
// server's kernel still answers them. The watch runs on a thread of its own
// and, once the statement outlasts its limit, shuts the connection's socket
// down: the waiting call then fails as a lost connection, which the store
// knows how to handle. Once give_up() turns true (a stop was asked for),
// the statement gets only a short grace.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace qorvex::hunt::postgres {

class StatementWatch {
public:
    explicit StatementWatch(std::function<bool()> give_up);
    ~StatementWatch();
    StatementWatch(const StatementWatch&) = delete;
    StatementWatch& operator=(const StatementWatch&) = delete;

    // Watches `socket` while it lives; destroyed before the socket closes.
    class Guard {
    public:
        ~Guard();
        Guard(const Guard&) = delete;
        Guard& operator=(const Guard&) = delete;

    private:
        friend class StatementWatch;
        explicit Guard(StatementWatch& watch) : m_watch(watch) {}
        StatementWatch& m_watch;
    };
    [[nodiscard]] Guard watch(int socket, std::chrono::milliseconds limit);

private:
    using Clock = std::chrono::steady_clock;
    void run();

    std::function<bool()> m_give_up;
    std::mutex m_lock;
    std::condition_variable m_changed;
    int m_socket = -1;  // -1: nothing watched
    Clock::time_point m_deadline{};
    bool m_closing = false;
    std::thread m_thread;
};

}  // namespace qorvex::hunt::postgres
