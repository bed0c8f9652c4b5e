#include "support/test_server.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace qorvex::test_support {

namespace {

constexpr const char* kScript = QORVEX_SOURCE_DIR "/tests/support/test_server.py";
constexpr auto kStartTimeout = std::chrono::milliseconds(60000);
constexpr auto kStopGrace = std::chrono::seconds(10);

void add_param(std::string& query, std::string_view key, std::string_view value) {
    query += query.empty() ? "" : "&";
    query += key;
    query += "=";
    query += percent_encoded(value);
}

std::string_view stall_name(Stall stall) {
    switch (stall) {
        case Stall::before_reply:
            return "request";
        case Stall::inside_body:
            return "body";
        case Stall::trickle:
            return "trickle";
        case Stall::cut_off:
            return "cutoff";
        case Stall::chunk_gap:
            return "chunkgap";
        case Stall::chunk_part:
            return "chunkpart";
        case Stall::none:
            break;
    }
    return "";
}

std::vector<std::string> split_lines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t begin = 0;
    while (begin <= text.size()) {
        const std::size_t end = text.find("\r\n", begin);
        if (end == std::string_view::npos) {
            lines.emplace_back(text.substr(begin));
            break;
        }
        lines.emplace_back(text.substr(begin, end - begin));
        begin = end + 2;
    }
    return lines;
}

}  // namespace

TestServer::TestServer(TestServerOptions options) : m_options(std::move(options)) {
    std::vector<std::string> args = {"python3", kScript};
    if (m_options.tls) {
        // Beside the build, so that a Windows test under Wine names it as
        // the Linux server does.
        static std::atomic<int> counter{0};
        m_temp_dir = std::string(QORVEX_BINARY_DIR) + "/test-server-" +
                     std::to_string(current_process_id()) + "-" +
                     std::to_string(counter.fetch_add(1));
        std::error_code failed;
        std::filesystem::create_directories(m_temp_dir, failed);
        if (failed) {
            throw std::runtime_error("cannot make a directory for the test certificate");
        }
        m_certificate_path = m_temp_dir + "/cert.pem";
        args.insert(args.end(), {"--tls", m_temp_dir});
    }
    if (m_options.silent) {
        args.emplace_back("--silent");
    }
    if (m_options.proxy_user.has_value()) {
        args.insert(args.end(), {"--proxy-user", *m_options.proxy_user, "--proxy-password",
                                 m_options.proxy_password});
    }
    // The server stops when its input ends.
    m_process = std::make_unique<ChildProcess>(args, StopBy::ClosingInput);
    const std::optional<std::string> ready = m_process->read_line(kStartTimeout);
    if (!ready || !ready->starts_with("port ")) {
        throw std::runtime_error("the test server did not report its port");
    }
    m_port = std::atoi(ready->c_str() + 5);
    m_log_reader = std::thread([this] { read_log(); });
}

TestServer::~TestServer() {
    m_process->stop(kStopGrace);
    if (m_log_reader.joinable()) {
        m_log_reader.join();
    }
    m_process.reset();
    if (!m_temp_dir.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(m_temp_dir, ignored);
    }
}

void TestServer::read_log() {
    while (const std::optional<std::string> line =
               m_process->read_line(std::chrono::milliseconds(-1))) {
        if (line->starts_with("request ")) {
            const std::lock_guard lock(m_mutex);
            m_requests.push_back(line->substr(8));
        }
    }
}

std::vector<std::string> TestServer::requests() const {
    const std::lock_guard lock(m_mutex);
    return m_requests;
}

std::string TestServer::base_url() const {
    return std::string(m_options.tls ? "https://" : "http://") + host_port();
}

std::string TestServer::host_port() const {
    return "127.0.0.1:" + std::to_string(m_port);
}

std::string TestServer::url(std::string_view path, const ReplyScript& script) const {
    std::string query;
    if (script.status != 0) {
        add_param(query, "status", std::to_string(script.status));
    }
    for (const std::string& header : script.headers) {
        add_param(query, "header", header);
    }
    for (const std::string& cookie : script.set_cookies) {
        add_param(query, "set-cookie", cookie);
    }
    if (!script.location.empty()) {
        add_param(query, "location", script.location);
    }
    if (script.body.has_value()) {
        add_param(query, "body", *script.body);
    }
    if (script.delay_ms > 0) {
        add_param(query, "delay_ms", std::to_string(script.delay_ms));
    }
    if (script.stall != Stall::none) {
        add_param(query, "stall", stall_name(script.stall));
    }
    if (script.trickle_ms > 0) {
        add_param(query, "trickle_ms", std::to_string(script.trickle_ms));
    }
    if (script.endless_body) {
        add_param(query, "endless", "1");
    }
    std::string address = base_url() + std::string(path);
    if (!query.empty()) {
        address += path.find('?') == std::string_view::npos ? "?" : "&";
        address += query;
    }
    return address;
}

std::vector<std::string> EchoedRequest::values_of(std::string_view name) const {
    std::vector<std::string> values;
    const std::string prefix = std::string(name) + ":";
    for (const std::string& line : header_lines) {
        if (line.starts_with(prefix)) {
            const std::size_t begin = line.find_first_not_of(' ', prefix.size());
            values.push_back(begin == std::string::npos ? "" : line.substr(begin));
        }
    }
    return values;
}

std::optional<EchoedRequest> parse_echo(std::string_view reply_body) {
    const std::size_t head_end = reply_body.find("\r\n\r\n");
    if (head_end == std::string_view::npos) {
        return std::nullopt;
    }
    std::vector<std::string> lines = split_lines(reply_body.substr(0, head_end));
    const std::string& request_line = lines.front();
    const std::size_t first_space = request_line.find(' ');
    const std::size_t last_space = request_line.rfind(' ');
    if (first_space == std::string::npos || last_space <= first_space) {
        return std::nullopt;
    }
    EchoedRequest echoed;
    echoed.method = request_line.substr(0, first_space);
    echoed.target = request_line.substr(first_space + 1, last_space - first_space - 1);
    echoed.header_lines.assign(lines.begin() + 1, lines.end());
    echoed.body = std::string(reply_body.substr(head_end + 4));
    return echoed;
}

EchoedRequest expect_echo(std::string_view reply_body) {
    std::optional<EchoedRequest> request = parse_echo(reply_body);
    if (!request) {
        ADD_FAILURE() << "not an echo: " << reply_body;
        return {};
    }
    return std::move(*request);
}

TestServer& shared_plain_server() {
    static TestServer server;
    return server;
}

std::string percent_encoded(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const bool unreserved = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                                (byte >= '0' && byte <= '9') || byte == '-' || byte == '_' ||
                                byte == '.' || byte == '~';
        if (unreserved) {
            encoded.push_back(c);
        } else {
            encoded.push_back('%');
            encoded.push_back(kHex[byte >> 4U]);
            encoded.push_back(kHex[byte & 15U]);
        }
    }
    return encoded;
}

}  // namespace qorvex::test_support
