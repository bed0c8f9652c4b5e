#pragma once

// `qorvex-hunt notify-retry`: hits' messages that a service refused for good
// wait again, to be sent by the next hunter that delivers to their channel;
// all of them, or those of the channels named by --notify.

#include <string>
#include <vector>

namespace qorvex::hunt_cli {

struct NotifyRetryOptions {
    std::string db;
    std::vector<std::string> urls;  // none: every channel
};

int run_notify_retry(const NotifyRetryOptions& options);

}  // namespace qorvex::hunt_cli
