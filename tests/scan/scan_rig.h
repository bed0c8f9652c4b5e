#pragma once

// The program on the headless runtime, scanning pool-sim over the real
// libcurl transport and matching with PCRE2. The test thread is the
// user-interface thread; the exchanges run on real worker threads.

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "regex/regex_engine.h"
#include "region/region_codes.h"
#include "runtime/headless/headless_runtime.h"
#include "scan/scan_controller.h"
#include "support/pool_sim_fixture.h"
#include "web/clock.h"
#include "web/http_transport.h"

namespace qorvex::test {

using Multiset = std::map<std::string, int>;

class ScanRig {
public:
    explicit ScanRig(const PoolSimOptions& options = {});

    runtime::HeadlessRuntime& runtime() { return m_runtime; }
    runtime::Form& window() { return m_program.window(); }
    std::shared_ptr<runtime::Form> window_handle() { return m_program.context().main_window; }
    scan::ScanController& controller() { return m_program.context().scan; }
    PoolSim& pool_sim() { return m_program.pool_sim(); }
    region::RegionCodes& region_codes() { return m_program.context().region_codes; }

    // Sets the interval box and clicks 开始 / 停止 as the user would.
    void start(std::string_view interval = "1");
    void stop();
    // One period of the scan timer elapses (false when it is stopped).
    bool tick();
    // Processes finished cycles until none is in flight.
    bool wait_for_cycles(std::chrono::milliseconds timeout = std::chrono::seconds(30));

    std::string status() { return window().text(scan::kStatusLabel); }
    std::string count() { return window().text("透明签6"); }
    std::vector<std::string> lines(std::string_view box) { return m_program.lines(box); }

    // Every "1" + ten digits run of the bodies the stand-in served, each body
    // cut at its first zero byte as the program reads it, found with
    // std::regex rather than the program's own engine.
    Multiset served_numbers();

    // Ends the program as a closed window does; returns how long that took.
    std::chrono::milliseconds end_program() { return m_program.end(); }

private:
    runtime::HeadlessRuntime m_runtime;
    PoolSimProgram m_program;
};

Multiset multiset_of(const std::vector<std::string>& items);

}  // namespace qorvex::test
