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
    } else {
        m_report("hook for " + hit.number + " not run: " + std::to_string(running()) +
                 " hooks are running and " + std::to_string(waiting()) +
                 " more wait their turn, the most that may");
    }
}

void HookRunner::spawn(const HookHit& hit) {
    auto words = m_words;
    auto environment = hook_environment(hit);
    auto argv = pointers(words);
    auto envp = pointers(environment);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, STDERR_FILENO, STDOUT_FILENO);
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
    if (failed != 0) {
        m_report("hook \"" + m_words[0] + "\" could not be started: " + std::strerror(failed));
        return;
    }
    m_running.push_back({pid, hit.number, std::chrono::steady_clock::now() + m_limit});
}

void HookRunner::poll() {
    reap(false);
    while (running() < m_max_running && !m_waiting.empty()) {
        spawn(m_waiting.front());
        m_waiting.pop_front();
    }
}

void HookRunner::reap(bool kill_all) {
    const auto now = std::chrono::steady_clock::now();
    for (auto it = m_running.begin(); it != m_running.end();) {
        int status = 0;
        pid_t ended = waitpid(it->pid, &status, WNOHANG);
        if (ended == 0 && (kill_all || now >= it->deadline)) {
            kill(-it->pid, SIGKILL);
            ended = waitpid(it->pid, &status, 0);
            m_report("hook for " + it->number +
                     (kill_all ? " was still running at the end" : " ran past its time limit") +
                     " and was stopped");
        } else if (ended == it->pid) {
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
