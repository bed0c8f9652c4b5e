#include "support/app_fakes.h"

#include "regex/platform_engine.h"

namespace qorvex::test {

std::unique_ptr<web::HttpSession> OfflineHttpTransport::open_session() {
    ++m_sessions_asked;
    return nullptr;
}

std::unique_ptr<web::FetchExchange> OfflineFetchTransport::open(
    const web::FetchTarget& /*target*/) {
    ++m_fetches;
    return nullptr;
}

AppTestServices::AppTestServices() : m_regex(rx::make_platform_engine()) {}

app::Services AppTestServices::services() {
    return app::Services{
        .regex = *m_regex,
        .http = m_http,
        .fetch = m_fetch,
        .clock = m_clock,
        .deployment = {},
    };
}

}  // namespace qorvex::test
