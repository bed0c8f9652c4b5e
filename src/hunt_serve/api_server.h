#pragma once

// The web server of `serve` and `scan --serve`: the JSON API, /metrics and
// the page, read-only over a history reader, on threads of its own. It
// answers GET only. A token, when set, must come with every API and metrics
// request as "Authorization: Bearer TOKEN"; each client is held to a request
// rate; requests are bounded in size and time. The reader is used by one
// request at a time, so a hunt's writes never wait for more than one read.

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "hunt/history_reader.h"
#include "hunt_serve/listen_address.h"
#include "regex/regex_engine.h"

namespace qorvex::hunt_serve {

struct ServeSettings {
    ListenAddress address{"127.0.0.1", 8080};
    std::optional<std::string> token;
    std::string application_page;  // the link a hit carries
    // A browser opens several connections at once and keeps each alive a
    // moment: enough threads that one page and a few slow clients never
    // queue the page behind idle connections.
    std::size_t threads = 16;
    int requests_per_minute = 600;  // per client address
    std::chrono::seconds read_timeout{5};
    std::chrono::seconds write_timeout{10};
    std::chrono::milliseconds page_time{150};  // the time a page of numbers may take
};

class ServeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class ApiServer {
public:
    // Refuses a non-loopback address without a token (ServeError).
    ApiServer(std::unique_ptr<hunt::HistoryReader> reader, rx::RegexEngine& engine,
              ServeSettings settings);
    ~ApiServer();
    ApiServer(const ApiServer&) = delete;
    ApiServer& operator=(const ApiServer&) = delete;

    // Binds the address and starts answering on the server's threads;
    // ServeError when the address cannot be bound.
    void start();
    // Stops answering and waits for the server's threads.
    void stop();
    // The bound port (the chosen one when the address asked for any).
    int port() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
    std::thread m_listener;
};

}  // namespace qorvex::hunt_serve
