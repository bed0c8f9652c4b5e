#pragma once

// A helper program that a test runs beside itself (the local test server,
// pool-sim), with its standard input and output connected to the test. On
// Linux it is a child process with pipes; a Windows test binary running
// under Wine starts it as a Linux process through tests/support/child_relay.py,
// connected by a loopback socket, since Wine hands a Linux child no pipes.

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qorvex::test_support {

// How the helper is told to stop.
enum class StopBy {
    ClosingInput,  // it ends when its standard input ends
    Signal,        // it ends on a termination request (SIGTERM)
};

class ChildProcess {
public:
    // `argv[0]` is looked up in PATH. Throws std::runtime_error when the
    // helper cannot be started.
    ChildProcess(const std::vector<std::string>& argv, StopBy stop_by);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // The next line of its output without the line end; nothing at the end
    // of the output, or when `timeout` passes first (a negative one waits as
    // long as it takes). One thread at a time may read.
    std::optional<std::string> read_line(std::chrono::milliseconds timeout);

    // Tells it to stop as `stop_by` says and waits up to `grace` for it to
    // end; then it is killed. Any thread may call it, also while another reads.
    void stop(std::chrono::milliseconds grace = std::chrono::seconds(10));

private:
    struct Parts;
    std::unique_ptr<Parts> m_parts;
};

// The test process's own id, for names of files it leaves behind.
int current_process_id();

}  // namespace qorvex::test_support
