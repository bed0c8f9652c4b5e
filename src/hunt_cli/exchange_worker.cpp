#include "hunt_cli/exchange_worker.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "web/bytes.h"
#include "web/web_access.h"

namespace qorvex::hunt_cli {

namespace {
std::atomic<bool> g_abandoned{false};
}

struct ExchangeWorker::Shared {
    std::unique_ptr<web::HttpTransport> transport;
    std::mutex mutex;
    std::condition_variable changed;
    std::optional<std::string> request;
    std::optional<ExchangeResult> reply;
    bool closing = false;
};

namespace {

void serve(const std::shared_ptr<ExchangeWorker::Shared>& shared) {
    for (;;) {
        std::string url;
        {
            std::unique_lock lock(shared->mutex);
            shared->changed.wait(lock, [&] { return shared->closing || shared->request; });
            if (shared->closing) {
                return;
            }
            url = std::move(*shared->request);
            shared->request.reset();
        }
        const auto begun = std::chrono::steady_clock::now();
        web::WebAccessArgs args;
        args.url = url;
        args.timeout_s = kExchangeTimeoutSeconds;
        ExchangeResult result;
        result.body = web::text_of_bytes(web::web_access(*shared->transport, args));
        result.status = args.status_code;
        result.duration_ms = int(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now() - begun)
                                     .count());
        {
            std::lock_guard lock(shared->mutex);
            shared->reply = std::move(result);
        }
        shared->changed.notify_all();
    }
}

}  // namespace

ExchangeWorker::ExchangeWorker(std::unique_ptr<web::HttpTransport> transport)
    : m_shared(std::make_shared<Shared>()) {
    m_shared->transport = std::move(transport);
    m_thread = std::thread([shared = m_shared] { serve(shared); });
}

ExchangeWorker::~ExchangeWorker() {
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->closing = true;
        if (m_busy && !m_shared->reply) {
            g_abandoned = true;
        }
    }
    m_shared->changed.notify_all();
    if (g_abandoned) {
        m_thread.detach();
    } else {
        m_thread.join();
    }
}

void ExchangeWorker::start(std::string url) {
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->request = std::move(url);
        m_shared->reply.reset();
    }
    m_busy = true;
    m_shared->changed.notify_all();
}

bool ExchangeWorker::busy() const {
    return m_busy;
}

std::optional<ExchangeResult> ExchangeWorker::result(std::chrono::milliseconds wait) {
    std::unique_lock lock(m_shared->mutex);
    if (!m_shared->changed.wait_for(lock, wait, [&] { return m_shared->reply.has_value(); })) {
        return std::nullopt;
    }
    auto reply = std::move(m_shared->reply);
    m_shared->reply.reset();
    m_busy = false;
    return reply;
}

bool ExchangeWorker::abandoned() {
    return g_abandoned;
}

}  // namespace qorvex::hunt_cli
