#pragma once

// The real qorvex-hunt binary run by a test, its output caught in files so
// that a long output never blocks it, and a scratch folder for its history.

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace qorvex::hunt_test {

struct Finished {
    int exit_code = -1;  // 128 + signal when a signal ended it
    std::string out;
    std::string err;
};

// A fresh folder, removed with the object.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    std::filesystem::path path(const std::string& name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

class HuntProcess {
public:
    explicit HuntProcess(const std::vector<std::string>& args);
    ~HuntProcess();
    HuntProcess(const HuntProcess&) = delete;
    HuntProcess& operator=(const HuntProcess&) = delete;

    void signal(int number) const;
    // Its standard output so far.
    std::string out() const;
    // Waits for it to end; kills it after `limit` (the test then fails).
    Finished wait(std::chrono::milliseconds limit = std::chrono::seconds(60));

private:
    ScratchFolder m_files;
    pid_t m_pid = 0;
    bool m_ended = false;
};

Finished run_hunt(const std::vector<std::string>& args,
                  std::chrono::milliseconds limit = std::chrono::seconds(60));

// Every line of `out` read as JSON, in order.
std::vector<nlohmann::json> json_lines(const std::string& out);

}  // namespace qorvex::hunt_test
