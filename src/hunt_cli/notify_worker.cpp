#include "hunt_cli/notify_worker.h"

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace qorvex::hunt_cli {

namespace {
std::atomic<bool> g_abandoned{false};
}

struct NotifyWorker::Shared {
    hunt::notify::ChannelKind kind{};
    hunt::notify::SendOptions options;
    std::mutex mutex;
    std::condition_variable changed;
    std::optional<hunt::notify::Delivery> delivery;
    std::optional<SendOutcome> outcome;
    bool closing = false;
};

namespace {

void serve(const std::shared_ptr<NotifyWorker::Shared>& shared) {
    for (;;) {
        hunt::notify::Delivery delivery;
        {
            std::unique_lock lock(shared->mutex);
            shared->changed.wait(lock, [&] { return shared->closing || shared->delivery; });
            if (shared->closing) {
                return;
            }
            delivery = std::move(*shared->delivery);
            shared->delivery.reset();
        }
        SendOutcome outcome = send_delivery(delivery, shared->kind, shared->options);
        {
            std::lock_guard lock(shared->mutex);
            shared->outcome = std::move(outcome);
        }
        shared->changed.notify_all();
    }
}

}  // namespace

NotifyWorker::NotifyWorker(hunt::notify::ChannelKind kind, hunt::notify::SendOptions options)
    : m_shared(std::make_shared<Shared>()) {
    m_shared->kind = kind;
    m_shared->options = std::move(options);
    m_thread = std::thread([shared = m_shared] { serve(shared); });
}

NotifyWorker::~NotifyWorker() {
    bool left_running = false;
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->closing = true;
        left_running = m_busy && !m_shared->outcome;
    }
    m_shared->changed.notify_all();
    if (left_running) {
        g_abandoned = true;
        m_thread.detach();
    } else {
        m_thread.join();
    }
}

void NotifyWorker::start(hunt::notify::Delivery delivery) {
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->delivery = std::move(delivery);
        m_shared->outcome.reset();
    }
    m_busy = true;
    m_shared->changed.notify_all();
}

std::optional<SendOutcome> NotifyWorker::outcome(std::chrono::milliseconds wait) {
    std::unique_lock lock(m_shared->mutex);
    if (!m_shared->changed.wait_for(lock, wait, [&] { return m_shared->outcome.has_value(); })) {
        return std::nullopt;
    }
    auto outcome = std::move(m_shared->outcome);
    m_shared->outcome.reset();
    m_busy = false;
    return outcome;
}

bool NotifyWorker::abandoned() {
    return g_abandoned;
}

}  // namespace qorvex::hunt_cli
