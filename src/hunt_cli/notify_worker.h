#pragma once

// Sends one channel's messages on a thread of its own, one at a time, so
// that a slow or silent service (each send is bounded by its time-outs)
// never holds up the hunt's main loop, and a channel never has two requests
// in flight. The worker only sends: the main thread builds each delivery
// and alone reads and marks the outbox.
//
// A worker destroyed while its send is still running leaves it behind, as
// the exchange worker does: the send is abandoned unmarked, its message
// stays waiting, and the program must then end without running static
// destructors (see abandoned()).

#include <chrono>
#include <memory>
#include <optional>
#include <thread>

#include "hunt/notify/curl/http_sender.h"
#include "hunt/notify/delivery.h"
#include "hunt_cli/notify_sending.h"

namespace qorvex::hunt_cli {

class NotifyWorker {
public:
    NotifyWorker(hunt::notify::ChannelKind kind, hunt::notify::SendOptions options);
    ~NotifyWorker();
    NotifyWorker(const NotifyWorker&) = delete;
    NotifyWorker& operator=(const NotifyWorker&) = delete;

    // Starts sending `delivery`; only when not busy().
    void start(hunt::notify::Delivery delivery);
    bool busy() const { return m_busy; }
    // The finished send's outcome, when it finished within `wait`.
    std::optional<SendOutcome> outcome(std::chrono::milliseconds wait);

    // True after destruction left a send running.
    static bool abandoned();

    struct Shared;  // the delivery and the outcome the thread shares

private:
    std::shared_ptr<Shared> m_shared;
    std::thread m_thread;
    bool m_busy = false;
};

}  // namespace qorvex::hunt_cli
