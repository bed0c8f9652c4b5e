#pragma once

// Runs the hunt's HTTP exchanges on a thread of their own, one at a time, so
// that the main thread stays free to redraw, run hooks and answer Ctrl-C
// while a query waits for its reply (up to the exchange's time-out). The
// main thread alone touches the history store; the worker only fetches.
//
// A worker destroyed while its exchange is still running leaves it behind:
// the thread finishes on state it shares, and the program must then end
// without running static destructors (see abandoned()).

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "web/http_transport.h"

namespace qorvex::hunt_cli {

// Every time-out of one exchange, in seconds, as the window's queries use.
inline constexpr int kExchangeTimeoutSeconds = 15;

struct ExchangeResult {
    int status = 0;  // 0: nothing came back
    std::string body;
    int duration_ms = 0;
};

class ExchangeWorker {
public:
    explicit ExchangeWorker(std::unique_ptr<web::HttpTransport> transport);
    ~ExchangeWorker();
    ExchangeWorker(const ExchangeWorker&) = delete;
    ExchangeWorker& operator=(const ExchangeWorker&) = delete;

    // Starts a GET of `url`; only when not busy().
    void start(std::string url);
    bool busy() const;
    // The finished exchange's result, when it finishes within `wait`.
    std::optional<ExchangeResult> result(std::chrono::milliseconds wait);

    // True after destruction left an exchange running.
    static bool abandoned();

    struct Shared;  // the request, the reply and the transport the thread shares

private:
    std::shared_ptr<Shared> m_shared;
    std::thread m_thread;
    bool m_busy = false;
};

}  // namespace qorvex::hunt_cli
