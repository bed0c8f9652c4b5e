#include "hunt_cli/scan_plan.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "hunt/command_words.h"
#include "scan/scan_interval.h"

namespace qorvex::hunt_cli {

namespace {

// Digits with at most one decimal point. The window's interval box reads
// "5m" as 5 seconds, as the service's own page does; on a command line that
// is more likely meant as five minutes, so anything else is refused there.
bool plain_seconds(std::string_view text) {
    const auto digits =
        std::count_if(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    const auto points = std::count(text.begin(), text.end(), '.');
    return digits > 0 && points <= 1 && std::size_t(digits + points) == text.size();
}

}  // namespace

std::variant<ScanPlan, std::vector<std::string>> make_scan_plan(const ScanOptions& options,
                                                                rx::RegexEngine& engine) {
    ScanPlan plan;
    std::vector<std::string> refusals;
    for (const auto& text : options.targets) {
        auto parsed = hunt::parse_target(text);
        if (!parsed.target) {
            refusals.push_back(parsed.error);
        } else if (std::any_of(plan.targets.begin(), plan.targets.end(),
                               [&](const auto& t) { return t.label == parsed.target->label; })) {
            refusals.push_back("the target " + parsed.target->label + " is given twice");
        } else {
            plan.targets.push_back(std::move(*parsed.target));
        }
    }
    plan.schedule.interval_ms = scan::timer_period_ms(options.interval);
    if (!plain_seconds(options.interval)) {
        refusals.push_back("--interval \"" + options.interval +
                           "\" is not a plain number of seconds (write 300 for five minutes, "
                           "2.5 for two and a half seconds)");
    } else if (plan.schedule.interval_ms <= 0) {
        refusals.push_back("--interval \"" + options.interval +
                           "\" is not a positive number of seconds");
    }
    plan.schedule.max_per_minute = options.max_rate;
    if (options.max_rate < 1) {
        refusals.push_back("--max-rate must be at least 1 query per minute");
    }
    if (!(options.backoff_cap_s >= 1) || options.backoff_cap_s > 86400) {
        refusals.push_back("--backoff-cap must be between 1 and 86400 seconds");
    }
    plan.schedule.backoff_cap_ms = hunt::TimeMs(std::llround(options.backoff_cap_s * 1000));
    if (options.stop_at_coverage &&
        !(*options.stop_at_coverage > 0 && *options.stop_at_coverage <= 1)) {
        refusals.push_back("--stop-at-coverage must be above 0 and at most 1");
    }
    if (options.stop_when_new_below &&
        !(*options.stop_when_new_below > 0 && std::isfinite(*options.stop_when_new_below))) {
        refusals.push_back(
            "--stop-when-new-below must be a number of new numbers per hour above 0");
    }
    if (!(options.hook_timeout_s > 0) || options.hook_timeout_s > 3600) {
        refusals.push_back("--hook-timeout must be above 0 and at most 3600 seconds");
    }
    auto alerts = hunt::make_alert_policy(options.alerts, options.alert_pattern, engine);
    if (!alerts.policy) {
        refusals.push_back(alerts.error);
    } else {
        plan.alerts = std::move(*alerts.policy);
    }
    if (options.on_hit) {
        plan.hook_words = hunt::command_words(*options.on_hit);
        if (!plan.hook_words) {
            refusals.push_back("--on-hit \"" + *options.on_hit +
                               "\" has no command or an unclosed quote");
        }
    }
    if (!refusals.empty()) {
        return refusals;
    }
    return plan;
}

}  // namespace qorvex::hunt_cli
