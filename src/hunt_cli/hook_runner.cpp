#include "hunt_cli/hook_runner.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <thread>

extern char** environ;

namespace qorvex::hunt_cli {

namespace {

constexpr std::chrono::milliseconds kFinishStep{20};
// A line of a hook's output longer than this is passed on in pieces, so that
// a hook writing without newlines holds no more than this in the hunter.
constexpr std::size_t kLongestOutputLine = 1000;
// How much of one hook's output one poll reads, so that a hook that writes
// without pause cannot hold up the scan.
constexpr std::size_t kOutputPerPoll = std::size_t{64} * 1024;

// The hunter's environment without any QORVEX_ hit variables it inherited,
// then the hit's own.
std::vector<std::string> hook_environment(const HookHit& hit) {
    std::vector<std::string> entries;
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        const std::string_view text(*entry);
        if (text.starts_with("QORVEX_NUMBER=") || text.starts_with("QORVEX_CLASSES=") ||
            text.starts_with("QORVEX_TARGET=")) {
            continue;
        }
        entries.emplace_back(text);
    }
    entries.push_back("QORVEX_NUMBER=" + hit.number);
    entries.push_back("QORVEX_CLASSES=" + hit.classes);
    entries.push_back("QORVEX_TARGET=" + hit.target);
    return entries;
}

std::vector<char*> pointers(std::vector<std::string>& texts) {
    std::vector<char*> list;
    list.reserve(texts.size() + 1);
    for (auto& text : texts) {
        list.push_back(text.data());
    }
    list.push_back(nullptr);
    return list;
}

}  // namespace

HookRunner::HookRunner(std::vector<std::string> words, std::chrono::milliseconds limit,
                       Report report, int max_running, int max_waiting)
    : m_words(std::move(words)),
      m_limit(limit),
      m_report(std::move(report)),
      m_max_running(max_running),
      m_max_waiting(std::size_t(std::max(max_waiting, 0))) {}

HookRunner::~HookRunner() {
    reap(true);
}

void HookRunner::start(const HookHit& hit) {
    poll();
    if (running() < m_max_running) {
        spawn(hit);
    } else if (m_waiting.size() < m_max_waiting) {
        m_waiting.push_back(hit);
    } else if (m_not_run++ == 0) {
        // The first hit that finds the queue full is named; the others of
        // the burst are counted, so that a flood of hits is no flood of lines.
        m_report("hook for " + hit.number + " not run: " + std::to_string(running()) +
                 " hooks are running and " + std::to_string(waiting()) +
                 " more wait their turn, the most that may");
    }
}

void HookRunner::report_not_run() {
    if (m_not_run > 1) {
        const std::size_t more = m_not_run - 1;
        m_report(std::to_string(more) + (more == 1 ? " more hit" : " more hits") +
                 " found the hook queue full; " +
                 (more == 1 ? "its hook was" : "their hooks were") + " not run");
    }
    m_not_run = 0;
}

void HookRunner::spawn(const HookHit& hit) {
    auto words = m_words;
    auto environment = hook_environment(hit);
    auto argv = pointers(words);
    auto envp = pointers(environment);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    // Its output comes back through a pipe, to be passed on line by line.
    int output[2] = {-1, -1};
    if (pipe2(output, O_CLOEXEC) != 0) {
        m_report("hook for " + hit.number + " not run: " + std::strerror(errno));
        posix_spawn_file_actions_destroy(&actions);
        return;
    }
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDERR_FILENO);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // A group of its own, so that a time-out also stops what the hook started.
    posix_spawnattr_setpgroup(&attributes, 0);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, short(POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF));
    pid_t pid = 0;
    const int failed = posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), envp.data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    close(output[1]);
    if (failed != 0) {
        close(output[0]);
        m_report("hook \"" + m_words[0] + "\" could not be started: " + std::strerror(failed));
        return;
    }
    fcntl(output[0], F_SETFL, O_NONBLOCK);
    m_running.push_back(
        {pid, hit.number, std::chrono::steady_clock::now() + m_limit, output[0], {}});
}

void HookRunner::pass_on_output(Running& hook, bool ended) {
    char buffer[4096];
    std::size_t taken = 0;
    // An ended hook's pipe holds at most its capacity (64 KiB on Linux), so
    // the bound also reads all it left, unless something it started writes on.
    while (taken < kOutputPerPoll) {
        const ssize_t got = read(hook.output, buffer, sizeof buffer);
        if (got <= 0) {
            // End of output, nothing more yet, or an error: each ends this read.
            break;
        }
        taken += std::size_t(got);
        hook.partial.append(buffer, std::size_t(got));
        std::size_t begin = 0;
        for (std::size_t end = hook.partial.find('\n'); end != std::string::npos;
             end = hook.partial.find('\n', begin)) {
            m_report("hook for " + hook.number + ": " + hook.partial.substr(begin, end - begin));
            begin = end + 1;
        }
        hook.partial.erase(0, begin);
        while (hook.partial.size() >= kLongestOutputLine) {
            m_report("hook for " + hook.number + ": " + hook.partial.substr(0, kLongestOutputLine));
            hook.partial.erase(0, kLongestOutputLine);
        }
    }
    if (ended) {
        if (!hook.partial.empty()) {
            m_report("hook for " + hook.number + ": " + hook.partial);
        }
        close(hook.output);
    }
}

void HookRunner::poll() {
    reap(false);
    while (running() < m_max_running && !m_waiting.empty()) {
        spawn(m_waiting.front());
        m_waiting.pop_front();
    }
    if (m_waiting.size() < m_max_waiting) {
        report_not_run();
    }
}

void HookRunner::reap(bool kill_all) {
    const auto now = std::chrono::steady_clock::now();
    for (auto it = m_running.begin(); it != m_running.end();) {
        int status = 0;
        pass_on_output(*it, false);
        pid_t ended = waitpid(it->pid, &status, WNOHANG);
        if (ended == 0 && (kill_all || now >= it->deadline)) {
            kill(-it->pid, SIGKILL);
            ended = waitpid(it->pid, &status, 0);
            pass_on_output(*it, true);
            m_report("hook for " + it->number +
                     (kill_all ? " was still running at the end" : " ran past its time limit") +
                     " and was stopped");
        } else if (ended == it->pid) {
            pass_on_output(*it, true);
            if (WIFEXITED(status) && WEXITSTATUS(status) != 0) {
                m_report("hook for " + it->number + " failed with exit status " +
                         std::to_string(WEXITSTATUS(status)));
            } else if (WIFSIGNALED(status)) {
                m_report("hook for " + it->number + " ended by signal " +
                         std::to_string(WTERMSIG(status)));
            }
        }
        if (ended == 0) {
            ++it;
        } else {
            it = m_running.erase(it);
        }
    }
}

void HookRunner::finish(std::chrono::milliseconds grace, const std::function<bool()>& stopped) {
    while ((!m_running.empty() || !m_waiting.empty()) && !stopped()) {
        poll();
        std::this_thread::sleep_for(kFinishStep);
    }
    report_not_run();
    if (!m_waiting.empty()) {
        m_report(std::to_string(waiting()) + " waiting hooks not run: the hunt was stopped");
        m_waiting.clear();
    }
    const auto until = std::chrono::steady_clock::now() + grace;
    while (!m_running.empty() && std::chrono::steady_clock::now() < until) {
        reap(false);
        std::this_thread::sleep_for(kFinishStep);
    }
    reap(true);
}

}  // namespace qorvex::hunt_cli
