#pragma once

// Platform services for tests that start the whole program. The regex engine
// (PCRE2) and the clock are the real ones; the two HTTP paths behave like a
// machine without network, every exchange failing, and count what was asked
// so that a test sees whether start-up touched the network.

#include <atomic>
#include <memory>

#include "app/services.h"
#include "regex/regex_engine.h"
#include "web/clock.h"
#include "web/fetch_transport.h"
#include "web/http_transport.h"

namespace qorvex::test {

class OfflineHttpTransport final : public web::HttpTransport {
public:
    // No request object can be made without a network.
    std::unique_ptr<web::HttpSession> open_session() override;
    int sessions_asked() const { return m_sessions_asked; }

private:
    std::atomic<int> m_sessions_asked{0};
};

class OfflineFetchTransport final : public web::FetchTransport {
public:
    // No request can be opened without a network.
    std::unique_ptr<web::FetchExchange> open(const web::FetchTarget& target) override;
    int fetches() const { return m_fetches; }

private:
    std::atomic<int> m_fetches{0};
};

class AppTestServices {
public:
    AppTestServices();

    // No deployment host is set, so the update check stays off.
    app::Services services();

    OfflineHttpTransport& http() { return m_http; }
    OfflineFetchTransport& fetch() { return m_fetch; }

private:
    std::unique_ptr<rx::RegexEngine> m_regex;
    OfflineHttpTransport m_http;
    OfflineFetchTransport m_fetch;
    web::SystemClock m_clock;
};

}  // namespace qorvex::test
