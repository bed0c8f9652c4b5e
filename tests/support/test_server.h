#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "support/child_process.h"

// A local HTTP or HTTPS server for tests, run as a child process on a free
// loopback port (tests/support/test_server.py). By default it echoes each
// request; a ReplyScript, carried in the query string of the address that
// url() builds, makes it answer otherwise. The server stops when the object
// is destroyed, or by itself when the test process is gone.
namespace qorvex::test_support {

enum class Stall {
    none,
    before_reply,  // read the request, then send nothing
    inside_body,   // send the headers and part of the body, then nothing
    trickle,       // send the headers, then a body byte every trickle_ms, for minutes
    cut_off,       // send the headers and part of the body, then close the connection
    chunk_gap,     // send the body as one whole chunk, then close before the last chunk
    chunk_part,    // announce a chunk longer than the body, send the body, then close
};

struct ReplyScript {
    int status = 0;  // 0: 200, or 302 with a location
    // "Name: value" lines. A Content-Length line replaces the server's own,
    // and the connection closes after the body.
    std::vector<std::string> headers;
    std::vector<std::string> set_cookies;
    std::string location;             // a redirect target
    std::optional<std::string> body;  // the reply body (any bytes); none: the echo
    int delay_ms = 0;                 // wait before replying
    Stall stall = Stall::none;
    int trickle_ms = 0;  // 0: the server's own period
    bool endless_body = false;
};

struct TestServerOptions {
    bool tls = false;  // HTTPS with a self-signed certificate made for this run
    // Takes every connection and never reads or answers a byte.
    bool silent = false;
    // Requests in proxy form must carry these Basic credentials.
    std::optional<std::string> proxy_user;
    std::string proxy_password;
};

class TestServer {
public:
    explicit TestServer(TestServerOptions options = {});
    ~TestServer();
    TestServer(const TestServer&) = delete;
    TestServer& operator=(const TestServer&) = delete;

    int port() const { return m_port; }
    // "http://127.0.0.1:<port>" or "https://...".
    std::string base_url() const;
    // The address of `path` on this server with the script in its query.
    std::string url(std::string_view path, const ReplyScript& script = {}) const;
    // "127.0.0.1:<port>", as a proxy setting names the server.
    std::string host_port() const;
    // PEM file of the self-signed certificate; empty without TLS.
    const std::string& certificate_path() const { return m_certificate_path; }

    // "<method> <target>" of every request read so far, oldest first.
    std::vector<std::string> requests() const;

private:
    void read_log();

    TestServerOptions m_options;
    std::unique_ptr<ChildProcess> m_process;
    int m_port = 0;
    std::string m_temp_dir;
    std::string m_certificate_path;
    std::thread m_log_reader;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_requests;
};

// What the server saw of an echoed request.
struct EchoedRequest {
    std::string method;
    std::string target;
    std::vector<std::string> header_lines;  // in the order they came
    std::string body;

    // The values of the header lines with this name (exact case).
    std::vector<std::string> values_of(std::string_view name) const;
};

// Reads an echo reply body; nullopt when it is not one.
std::optional<EchoedRequest> parse_echo(std::string_view reply_body);

// Reads an echo reply body that the test expects; when it is not one, the
// test fails and an empty request comes back.
EchoedRequest expect_echo(std::string_view reply_body);

// A plain server that lives as long as the test process, for the many tests
// that need nothing else.
TestServer& shared_plain_server();

// Percent-encodes every byte outside the unreserved URL characters.
std::string percent_encoded(std::string_view text);

// A loopback port on which nothing listens (it was free a moment ago).
int closed_loopback_port();

}  // namespace qorvex::test_support
