#include "hunt_process.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace qorvex::hunt_test {

namespace {

std::string read_all(const std::filesystem::path& path) {
    std::stringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

}  // namespace

ScratchFolder::ScratchFolder() {
    static std::atomic<int> counter{0};
    m_path =
        std::filesystem::temp_directory_path() / ("qorvex-hunt-test-" + std::to_string(::getpid()) +
                                                  "-" + std::to_string(counter.fetch_add(1)));
    std::filesystem::remove_all(m_path);
    std::filesystem::create_directories(m_path);
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

HuntProcess::HuntProcess(const std::vector<std::string>& args) {
    std::vector<std::string> words{QORVEX_HUNT_BINARY};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    const auto out = m_files.path("out").string();
    const auto err = m_files.path("err").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int failed = posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) {
        throw std::runtime_error("qorvex-hunt could not be started");
    }
}

HuntProcess::~HuntProcess() {
    if (!m_ended) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
}

void HuntProcess::signal(int number) const {
    kill(m_pid, number);
}

std::string HuntProcess::out() const {
    return read_all(m_files.path("out"));
}

Finished HuntProcess::wait(std::chrono::milliseconds limit) {
    Finished finished;
    const auto until = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (waitpid(m_pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > until) {
            ADD_FAILURE() << "qorvex-hunt did not end in time";
            kill(m_pid, SIGKILL);
            waitpid(m_pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    m_ended = true;
    finished.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    finished.out = read_all(m_files.path("out"));
    finished.err = read_all(m_files.path("err"));
    return finished;
}

Finished run_hunt(const std::vector<std::string>& args, std::chrono::milliseconds limit) {
    HuntProcess process(args);
    return process.wait(limit);
}

std::vector<nlohmann::json> json_lines(const std::string& out) {
    std::vector<nlohmann::json> lines;
    std::istringstream text(out);
    std::string line;
    while (std::getline(text, line)) {
        lines.push_back(nlohmann::json::parse(line));
    }
    return lines;
}

}  // namespace qorvex::hunt_test
