#pragma once

// `qorvex-hunt scan`: queries the targets in turn until every target has
// reached its stop rule or the user stops the hunt, storing every cycle.

#include <optional>
#include <string>
#include <vector>

namespace qorvex::hunt_cli {

struct ScanOptions {
    std::string db;
    std::string queue;  // a shared store's local queue file; empty: its default
    std::vector<std::string> targets;
    std::string host;            // host[:port] of the number-selection service
    std::string interval = "5";  // seconds, a plain number (fractions allowed)
    int max_rate = 60;           // queries per minute over all targets
    double backoff_cap_s = 900;
    std::optional<double> stop_at_coverage;
    std::optional<double> stop_when_new_below;  // expected new numbers per hour
    std::vector<std::string> alerts;
    std::optional<std::string> alert_pattern;
    std::optional<std::string> on_hit;
    double hook_timeout_s = 10;
    std::vector<std::string> notify_urls;    // channels each hit's message goes to
    std::optional<std::string> notify_file;  // one URL a line; must not be readable by others
    std::string lang = "zh";                 // the messages' language: zh or en
    double notify_timeout_s = 20;            // one send's whole exchange
    double notify_backoff_s = 15;            // the first wait after a failed send
    bool json = false;
    std::optional<std::string> serve;  // HOST:PORT of the page beside the hunt
    std::optional<std::string> serve_token_file;
};

// The exit code: 0 when the hunt ended as asked, 1 when the work failed
// (the store), 2 for bad usage.
int run_scan(const ScanOptions& options);

}  // namespace qorvex::hunt_cli
