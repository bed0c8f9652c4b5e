#pragma once

// Starts tools/pool-sim, the stand-in of the carrier's number-selection
// service, on a free loopback port for one test and stops it afterwards.
// Every query it answers is logged, so a test can check what the program did
// with exactly the numbers that were served. PoolSimProgram runs the whole
// program against it.

#include <chrono>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/app_context.h"
#include "regex/regex_engine.h"
#include "runtime/runtime.h"
#include "support/app_fakes.h"
#include "support/child_process.h"
#include "web/clock.h"
#include "web/http_transport.h"

namespace qorvex::test {

struct PoolSimOptions {
    int delay_ms = 0;
    double failure_rate = 0.0;
    std::string reply = "normal";     // normal, malformed, truncated, rate-limit, zero-byte
    std::string version = "current";  // current, newer, empty, no-markers
    int rate_limit_per_minute = 0;
    int seed = 20190423;
    double draw_shape = 0;  // 0: uniform draws; else gamma weights of this shape
};

// One number-pool query as the stand-in answered it.
struct ServedQuery {
    int sequence = 0;
    int in_flight = 0;  // queries being answered when it arrived, itself included
    int status = 0;
    std::string query;  // the query string as received
    std::string body;   // the reply body, byte for byte
};

class PoolSim {
public:
    explicit PoolSim(const PoolSimOptions& options = {});
    ~PoolSim();
    PoolSim(const PoolSim&) = delete;
    PoolSim& operator=(const PoolSim&) = delete;

    int port() const { return m_port; }
    // "127.0.0.1:<port>", as the carrier host setting takes it.
    std::string host() const;
    // The local CA the stand-in's certificate is signed with.
    std::string ca_file() const;

    // The queries answered so far, in the order their replies went out.
    std::vector<ServedQuery> served() const;

    // Stops the stand-in now (SIGTERM) and waits for it to end.
    void stop();

private:
    std::unique_ptr<test_support::ChildProcess> m_process;
    int m_port = 0;
    std::string m_state_dir;
    std::string m_log_path;
};

// The whole program started on a test's runtime with the real regex engine,
// clock and libcurl transport, its carrier host pointing at a PoolSim. The
// update check stays off. Windows still open at the end are destroyed
// before the context goes.
class PoolSimProgram {
public:
    PoolSimProgram(runtime::Runtime& runtime, const PoolSimOptions& options = {});
    ~PoolSimProgram();
    PoolSimProgram(const PoolSimProgram&) = delete;
    PoolSimProgram& operator=(const PoolSimProgram&) = delete;

    PoolSim& pool_sim() { return m_pool_sim; }
    app::AppContext& context() { return *m_context; }
    runtime::Form& window() { return *m_context->main_window; }

    // The lines of an edit box, as the number lookup sees them.
    std::vector<std::string> lines(std::string_view box);

    // Ends the program as a closed window does: the context goes, waiting
    // for the exchanges in flight. Returns how long that took.
    std::chrono::milliseconds end();

private:
    PoolSim m_pool_sim;
    std::string m_carrier_host;
    std::unique_ptr<rx::RegexEngine> m_regex;
    std::unique_ptr<web::HttpTransport> m_http;
    OfflineFetchTransport m_fetch;
    web::SystemClock m_clock;
    std::unique_ptr<app::AppContext> m_context;
};

// The values of one query-string key, "" when absent.
std::string query_value(std::string_view query, std::string_view key);

}  // namespace qorvex::test
