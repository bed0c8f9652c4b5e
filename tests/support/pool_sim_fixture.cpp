#include "support/pool_sim_fixture.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "app/main_window.h"
#include "regex/pcre2/pcre2_engine.h"
#include "web/curl/curl_http_transport.h"

extern char** environ;

namespace qorvex::test {
namespace {

constexpr const char* kScript = QORVEX_SOURCE_DIR "/tools/pool-sim/pool_sim.py";
constexpr const char* kStateDir = QORVEX_BINARY_DIR "/pool-sim";
constexpr std::string_view kReadyPrefix = "pool-sim listening on https://127.0.0.1:";
// First start makes the certificates with openssl, which takes a moment.
constexpr int kStartTimeoutMs = 30'000;
// A stand-in whose test crashed goes away by itself.
constexpr const char* kLifetimeSeconds = "900";

std::string next_log_path() {
    static std::atomic<int> counter{0};
    return std::string(kStateDir) + "/served-" + std::to_string(getpid()) + "-" +
           std::to_string(counter.fetch_add(1)) + ".log";
}

std::string read_ready_line(int fd) {
    std::string line;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartTimeoutMs);
    while (line.find('\n') == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd watched{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&watched, 1, static_cast<int>(left.count())) <= 0) {
            throw std::runtime_error("pool-sim did not start: " + line);
        }
        char buffer[256];
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got <= 0) {
            throw std::runtime_error("pool-sim ended before listening: " + line);
        }
        line.append(buffer, static_cast<std::size_t>(got));
    }
    return line.substr(0, line.find('\n'));
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
    mkdir(m_state_dir.c_str(), 0755);
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
                                           "--lifetime-s",
                                           kLifetimeSeconds,
                                           "--exit-with-parent"};
    std::vector<char*> argv;
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);

    int pipe_fds[2];
    if (pipe2(pipe_fds, O_CLOEXEC) != 0) {
        throw std::runtime_error("pool-sim: no pipe");
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDOUT_FILENO);
    const int spawned = posix_spawnp(&m_pid, "python3", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipe_fds[1]);
    if (spawned != 0) {
        close(pipe_fds[0]);
        throw std::runtime_error("pool-sim: python3 could not be started");
    }
    try {
        const std::string ready = read_ready_line(pipe_fds[0]);
        if (ready.rfind(kReadyPrefix, 0) != 0) {
            throw std::runtime_error("pool-sim said: " + ready);
        }
        m_port = std::stoi(ready.substr(kReadyPrefix.size()));
    } catch (...) {
        close(pipe_fds[0]);
        stop();
        throw;
    }
    close(pipe_fds[0]);
}

PoolSim::~PoolSim() {
    stop();
    std::remove(m_log_path.c_str());
}

void PoolSim::stop() {
    if (m_pid <= 0) {
        return;
    }
    kill(m_pid, SIGTERM);
    int status = 0;
    while (waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
    }
    m_pid = -1;
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
      m_regex(rx::make_pcre2_engine()),
      m_http(web::make_curl_http_transport()) {
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
