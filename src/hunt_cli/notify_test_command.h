#pragma once

// `qorvex-hunt notify-test`: sends one test message over each channel named
// by --notify or a --notify-file, prints each service's answer with every
// secret masked, and fails when any channel did not deliver.

#include <optional>
#include <string>
#include <vector>

namespace qorvex::hunt_cli {

struct NotifyTestOptions {
    std::vector<std::string> urls;
    std::optional<std::string> file;  // one URL a line; must not be readable by others
    std::string lang = "zh";          // zh or en
    std::string host;                 // the carrier host, for the application page link
    double timeout_s = 20;
};

int run_notify_test(const NotifyTestOptions& options);

}  // namespace qorvex::hunt_cli
