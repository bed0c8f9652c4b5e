#include "hunt_cli/status_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace qorvex::hunt_cli {

namespace {

std::string whole(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.0f", value);
    return text;
}

}  // namespace

std::string estimate_text(const std::optional<hunt::PoolEstimate>& estimate) {
    if (!estimate) {
        return "pool not estimated yet (no repeats)";
    }
    std::string text = "pool " + whole(estimate->pool) + " (95%: " + whole(estimate->low) + "-" +
                       (std::isfinite(estimate->high) ? whole(estimate->high) : "?") + ")";
    char coverage[32];
    std::snprintf(coverage, sizeof coverage, ", coverage %.1f%%", estimate->coverage * 100);
    return text + coverage;
}

std::string rate_text(double value) {
    char text[32];
    std::snprintf(text, sizeof text, value < 10 ? "%.1f" : "%.0f", value);
    return text;
}

std::string seconds_text(hunt::TimeMs ms) {
    if (ms < 10'000) {
        // Short waits (tests, fast intervals) in tenths, rounded up.
        const hunt::TimeMs tenths = (std::max<hunt::TimeMs>(ms, 0) + 99) / 100;
        char text[48];
        std::snprintf(text, sizeof text, "%lld.%lld s", static_cast<long long>(tenths / 10),
                      static_cast<long long>(tenths % 10));
        return text;
    }
    const hunt::TimeMs seconds = (std::max<hunt::TimeMs>(ms, 0) + 999) / 1000;
    if (seconds < 60) {
        return std::to_string(seconds) + " s";
    }
    return std::to_string(seconds / 60) + " min " + std::to_string(seconds % 60) + " s";
}

std::string target_status_text(const TargetLine& line, bool with_next) {
    const auto& progress = *line.progress;
    std::string text = line.label + "  cycles " + std::to_string(progress.cycles()) + "  seen " +
                       std::to_string(progress.distinct_numbers()) + "  new " +
                       std::to_string(progress.new_numbers()) + "  yield " +
                       rate_text(line.yield_per_hour) + "/h  " + estimate_text(line.estimate);
    if (line.estimate) {
        text += "  expect " + rate_text(line.expected_new_per_hour) + " new/h";
    }
    if (!with_next) {
        return text;
    }
    if (!line.note.empty()) {
        text += "  " + line.note;
    } else if (line.next_in_ms) {
        text += "  next query in " + seconds_text(*line.next_in_ms);
    } else {
        text += "  querying";
    }
    return text;
}

}  // namespace qorvex::hunt_cli
