#include "support/child_process.h"

#include <winsock2.h>
// Windows proper after Winsock, which must come first.
#include <windows.h>

#include <condition_variable>
#include <mutex>
#include <stdexcept>

#include "support/platform.h"
#include "support/test_server.h"
#include "win32/wide_text.h"

namespace qorvex::test_support {

namespace {

constexpr const char* kRelay = QORVEX_SOURCE_DIR "/tests/support/child_relay.py";

void start_winsock() {
    static const bool started = [] {
        WSADATA data{};
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    if (!started) {
        throw std::runtime_error("Winsock did not start");
    }
}

sockaddr_in loopback(unsigned short port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

// Two connected loopback sockets: the test's end and the helper's.
std::pair<SOCKET, SOCKET> socket_pair() {
    SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = loopback(0);
    int length = sizeof(address);
    if (listener == INVALID_SOCKET ||
        bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        listen(listener, 1) != 0 ||
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        closesocket(listener);
        throw std::runtime_error("no loopback socket for a helper program");
    }
    // Without the overlapped flag, so that it can serve as standard input and output.
    SOCKET helper_end = WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, 0);
    if (connect(helper_end, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
        closesocket(helper_end);
        closesocket(listener);
        throw std::runtime_error("no loopback connection for a helper program");
    }
    SOCKET test_end = accept(listener, nullptr, nullptr);
    closesocket(listener);
    return {test_end, helper_end};
}

// One argument as the command line parser of Windows (and Wine) reads it back.
std::string quoted(const std::string& argument) {
    if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) {
        return argument;
    }
    std::string result = "\"";
    std::size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        result.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        result.push_back(c);
    }
    result.append(backslashes * 2, '\\');
    return result + "\"";
}

// Wine starts a program named by its Linux path as a Linux process.
std::string python() {
    return running_under_wine() ? "/usr/bin/python3" : "python";
}

}  // namespace

struct ChildProcess::Parts {
    SOCKET socket = INVALID_SOCKET;
    std::string buffer;
    std::mutex reading;
    std::mutex stopping;
    std::condition_variable ended_changed;
    bool ended = false;  // the helper's output is over
    bool input_closed = false;
};

ChildProcess::ChildProcess(const std::vector<std::string>& argv, StopBy stop_by)
    : m_parts(std::make_unique<Parts>()) {
    start_winsock();
    auto [test_end, helper_end] = socket_pair();
    m_parts->socket = test_end;
    std::string command = python() + " " + quoted(kRelay) + " --stop " +
                          (stop_by == StopBy::Signal ? "signal" : "close") + " --";
    for (const std::string& argument : argv) {
        command += " " + quoted(argument);
    }
    std::wstring command_line = win32::to_wide(command);
    auto* helper_handle = reinterpret_cast<HANDLE>(helper_end);
    SetHandleInformation(helper_handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = helper_handle;
    startup.hStdOutput = helper_handle;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, TRUE, 0,
                                        nullptr, nullptr, &startup, &process);
    closesocket(helper_end);
    if (!started) {
        closesocket(test_end);
        m_parts->socket = INVALID_SOCKET;
        throw std::runtime_error("cannot start " + argv.front());
    }
    // A Linux process under Wine has no handle; the socket tells when it is gone.
    if (process.hProcess != nullptr) {
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
}

ChildProcess::~ChildProcess() {
    stop();
    closesocket(m_parts->socket);
}

std::optional<std::string> ChildProcess::read_line(std::chrono::milliseconds timeout) {
    const std::lock_guard lock(m_parts->reading);
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        const std::size_t end = m_parts->buffer.find('\n');
        if (end != std::string::npos) {
            std::string line = m_parts->buffer.substr(0, end);
            m_parts->buffer.erase(0, end + 1);
            return line;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(m_parts->socket, &readable);
        timeval wait{static_cast<long>(left.count() / 1000),
                     static_cast<long>(left.count() % 1000) * 1000};
        if (timeout.count() >= 0 &&
            (left.count() <= 0 || select(0, &readable, nullptr, nullptr, &wait) <= 0)) {
            return std::nullopt;
        }
        char chunk[4096];
        const int got = recv(m_parts->socket, chunk, sizeof(chunk), 0);
        if (got <= 0) {
            std::lock_guard ended(m_parts->stopping);
            m_parts->ended = true;
            m_parts->ended_changed.notify_all();
            return std::nullopt;
        }
        m_parts->buffer.append(chunk, static_cast<std::size_t>(got));
    }
}

void ChildProcess::stop(std::chrono::milliseconds grace) {
    {
        std::lock_guard lock(m_parts->stopping);
        if (!m_parts->input_closed) {
            // The relay stops the helper as it was told when its input ends.
            shutdown(m_parts->socket, SD_SEND);
            m_parts->input_closed = true;
        }
    }
    const auto deadline = std::chrono::steady_clock::now() + grace + std::chrono::seconds(5);
    const auto output_ended = [this] {
        std::lock_guard lock(m_parts->stopping);
        return m_parts->ended;
    };
    std::unique_lock reading(m_parts->reading, std::try_to_lock);
    if (reading.owns_lock()) {
        reading.unlock();
        // Nobody else reads: read the rest of the output until it ends.
        while (std::chrono::steady_clock::now() < deadline && !output_ended()) {
            read_line(std::chrono::milliseconds(200));
        }
        return;
    }
    std::unique_lock lock(m_parts->stopping);
    m_parts->ended_changed.wait_until(lock, deadline, [&] { return m_parts->ended; });
}

int current_process_id() {
    return static_cast<int>(GetCurrentProcessId());
}

int closed_loopback_port() {
    start_winsock();
    SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = loopback(0);
    int length = sizeof(address);
    bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
    closesocket(probe);
    return ntohs(address.sin_port);
}

}  // namespace qorvex::test_support
