#pragma once

// A fresh folder per test for history files, removed afterwards.

#include <unistd.h>

#include <atomic>
#include <filesystem>
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

}  // namespace qorvex::hunt::test
