#include "support/child_process.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <mutex>
#include <stdexcept>
#include <thread>

#include "support/test_server.h"

extern char** environ;

namespace qorvex::test_support {

struct ChildProcess::Parts {
    pid_t pid = -1;
    int input = -1;
    int output = -1;
    StopBy stop_by = StopBy::ClosingInput;
    std::mutex mutex;  // guards pid and input
};

ChildProcess::ChildProcess(const std::vector<std::string>& argv, StopBy stop_by)
    : m_parts(std::make_unique<Parts>()) {
    m_parts->stop_by = stop_by;
    int to_child[2];
    int from_child[2];
    if (pipe2(to_child, O_CLOEXEC) != 0) {
        throw std::runtime_error("cannot make pipes for " + argv.front());
    }
    if (pipe2(from_child, O_CLOEXEC) != 0) {
        close(to_child[0]);
        close(to_child[1]);
        throw std::runtime_error("cannot make pipes for " + argv.front());
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, to_child[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, from_child[1], STDOUT_FILENO);
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    const int spawned =
        posix_spawnp(&m_parts->pid, args.front(), &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(to_child[0]);
    close(from_child[1]);
    m_parts->input = to_child[1];
    m_parts->output = from_child[0];
    if (spawned != 0) {
        m_parts->pid = -1;
        throw std::runtime_error("cannot start " + argv.front());
    }
}

ChildProcess::~ChildProcess() {
    stop();
    if (m_parts->output >= 0) {
        close(m_parts->output);
    }
}

std::optional<std::string> ChildProcess::read_line(std::chrono::milliseconds timeout) {
    std::string line;
    while (true) {
        pollfd ready{m_parts->output, POLLIN, 0};
        if (poll(&ready, 1, static_cast<int>(timeout.count())) <= 0) {
            return std::nullopt;
        }
        char c = 0;
        if (read(m_parts->output, &c, 1) != 1) {
            return std::nullopt;
        }
        if (c == '\n') {
            return line;
        }
        line.push_back(c);
    }
}

void ChildProcess::stop(std::chrono::milliseconds grace) {
    const std::lock_guard lock(m_parts->mutex);
    if (m_parts->input >= 0) {
        close(m_parts->input);
        m_parts->input = -1;
    }
    if (m_parts->pid <= 0) {
        return;
    }
    if (m_parts->stop_by == StopBy::Signal) {
        kill(m_parts->pid, SIGTERM);
    }
    const auto deadline = std::chrono::steady_clock::now() + grace;
    int status = 0;
    while (waitpid(m_parts->pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(m_parts->pid, SIGKILL);
            waitpid(m_parts->pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    m_parts->pid = -1;
}

int current_process_id() {
    return static_cast<int>(getpid());
}

int closed_loopback_port() {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof(address);
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
}

}  // namespace qorvex::test_support
