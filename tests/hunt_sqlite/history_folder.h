#pragma once

// A fresh folder per test for history files, removed afterwards.

#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace qorvex::hunt::test {

class HistoryFolder {
public:
    HistoryFolder() {
        static std::atomic<int> counter{0};
        m_path = std::filesystem::temp_directory_path() /
                 ("qorvex-history-" + std::to_string(getpid()) + "-" + std::to_string(++counter));
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
    }
    ~HistoryFolder() {
        std::error_code ignored;
        std::filesystem::permissions(m_path, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(m_path, ignored);
    }
    HistoryFolder(const HistoryFolder&) = delete;
    HistoryFolder& operator=(const HistoryFolder&) = delete;

    std::string file(const std::string& name) const { return (m_path / name).string(); }
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// Root reads and writes any file whatever its mode, so `body` runs in a
// child that has given up root first. Its result (below 255) is the child's
// exit status; none when the child could not give up root or did not end.
inline std::optional<int> run_unprivileged(const std::function<int()>& body) {
    constexpr int kNoUser = 255;
    const pid_t child = fork();
    if (child == 0) {
        constexpr uid_t kNobody = 65534;
        if (geteuid() == 0 && (setgid(kNobody) != 0 || setuid(kNobody) != 0)) {
            _exit(kNoUser);
        }
        _exit(body());
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) == kNoUser) {
        return std::nullopt;
    }
    return WEXITSTATUS(status);
}

}  // namespace qorvex::hunt::test
