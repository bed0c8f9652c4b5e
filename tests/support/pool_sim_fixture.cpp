#include "support/pool_sim_fixture.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>

#include "app/main_window.h"
#include "regex/platform_engine.h"
#include "web/platform_transports.h"

namespace qorvex::test {
namespace {

constexpr const char* kScript = QORVEX_SOURCE_DIR "/tools/pool-sim/pool_sim.py";
constexpr const char* kStateDir = QORVEX_BINARY_DIR "/pool-sim";
constexpr std::string_view kReadyPrefix = "pool-sim listening on https://127.0.0.1:";
// First start makes the certificates with openssl, which takes a moment.
constexpr std::chrono::milliseconds kStartTimeout{30'000};
// A stand-in whose test crashed goes away by itself.
constexpr const char* kLifetimeSeconds = "900";

std::string next_log_path() {
    static std::atomic<int> counter{0};
    return std::string(kStateDir) + "/served-" +
           std::to_string(test_support::current_process_id()) + "-" +
           std::to_string(counter.fetch_add(1)) + ".log";
}

std::string hex_decode(std::string_view hex) {
    std::string bytes;
    if (hex == "-") {
        return bytes;
    }
    bytes.reserve(hex.size() / 2);
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    }
    return bytes;
}

}  // namespace

PoolSim::PoolSim(const PoolSimOptions& options)
    : m_state_dir(kStateDir), m_log_path(next_log_path()) {
    std::error_code ignored;
    std::filesystem::create_directories(m_state_dir, ignored);
    const std::vector<std::string> args = {"python3",
                                           kScript,
                                           "--state-dir",
                                           m_state_dir,
                                           "--host",
                                           "127.0.0.1",
                                           "--port",
                                           "0",
                                           "--served-log",
                                           m_log_path,
                                           "--delay-ms",
                                           std::to_string(options.delay_ms),
                                           "--failure-rate",
                                           std::to_string(options.failure_rate),
                                           "--reply",
                                           options.reply,
                                           "--version",
                                           options.version,
                                           "--rate-limit-per-minute",
                                           std::to_string(options.rate_limit_per_minute),
                                           "--seed",
                                           std::to_string(options.seed),
                                           "--draw-shape",
                                           std::to_string(options.draw_shape),
                                           "--lifetime-s",
                                           kLifetimeSeconds,
                                           "--exit-with-parent"};
    // It stops on SIGTERM; it also stops by itself after its lifetime.
    m_process = std::make_unique<test_support::ChildProcess>(args, test_support::StopBy::Signal);
    const std::optional<std::string> ready = m_process->read_line(kStartTimeout);
    if (!ready || ready->rfind(kReadyPrefix, 0) != 0) {
        m_process.reset();
        throw std::runtime_error("pool-sim did not start: " + ready.value_or(""));
    }
    m_port = std::stoi(ready->substr(kReadyPrefix.size()));
}

PoolSim::~PoolSim() {
    stop();
    std::remove(m_log_path.c_str());
}

void PoolSim::stop() {
    if (m_process) {
        m_process->stop();
        m_process.reset();
    }
}

std::string PoolSim::host() const {
    return "127.0.0.1:" + std::to_string(m_port);
}

std::string PoolSim::ca_file() const {
    return m_state_dir + "/ca.pem";
}

std::vector<ServedQuery> PoolSim::served() const {
    std::vector<ServedQuery> queries;
    std::ifstream log(m_log_path);
    std::string line;
    while (std::getline(log, line)) {
        std::istringstream fields(line);
        ServedQuery query;
        std::string body_hex;
        if (fields >> query.sequence >> query.in_flight >> query.status >> query.query >>
            body_hex) {
            if (query.query == "-") {
                query.query.clear();
            }
            query.body = hex_decode(body_hex);
            queries.push_back(std::move(query));
        }
    }
    return queries;
}

PoolSimProgram::PoolSimProgram(runtime::Runtime& runtime, const PoolSimOptions& options)
    : m_pool_sim(options),
      m_carrier_host(m_pool_sim.host()),
      m_regex(rx::make_platform_engine()),
      m_http(web::make_platform_http_transport()) {
    app::Services services{*m_regex, *m_http, m_fetch, m_clock, {}};
    services.deployment.carrier_host = m_carrier_host.c_str();
    m_context = std::make_unique<app::AppContext>(runtime, services);
    if (!app::open_main_window(*m_context)) {
        throw std::runtime_error("the main window could not be opened");
    }
}

PoolSimProgram::~PoolSimProgram() {
    end();
}

std::vector<std::string> PoolSimProgram::lines(std::string_view box) {
    std::vector<std::string> found;
    window().visit_lines(box, [&found](std::string_view line) {
        found.emplace_back(line);
        return true;
    });
    return found;
}

std::chrono::milliseconds PoolSimProgram::end() {
    const auto begun = std::chrono::steady_clock::now();
    if (m_context) {
        for (const auto& window : {m_context->notice_window, m_context->main_window}) {
            if (window && window->exists()) {
                window->destroy();
            }
        }
        m_context.reset();
    }
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 begun);
}

std::string query_value(std::string_view query, std::string_view key) {
    const std::string wanted = std::string(key) + "=";
    std::size_t start = 0;
    while (start <= query.size()) {
        const std::size_t end = std::min(query.find('&', start), query.size());
        const std::string_view pair = query.substr(start, end - start);
        if (pair.substr(0, wanted.size()) == wanted) {
            return std::string(pair.substr(wanted.size()));
        }
        start = end + 1;
    }
    return {};
}

}  // namespace qorvex::test
