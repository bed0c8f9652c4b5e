#include "hunt_cli/outbox_report.h"

#include "hunt/iso_time.h"
#include "hunt_cli/json_text.h"

namespace qorvex::hunt_cli {

namespace {

struct OutboxState {
    std::vector<hunt::OutboxCounts> counts;
    std::vector<hunt::OutboxFailure> failures;
    std::int64_t not_listed = 0;
};

OutboxState read_outbox(hunt::HuntStore& store) {
    OutboxState state;
    state.counts = store.outbox_counts();
    if (state.counts.empty()) {
        return state;
    }
    state.failures = store.failed_messages(kListedFailures);
    std::int64_t failed = 0;
    for (const auto& channel : state.counts) {
        failed += channel.failed;
    }
    state.not_listed = failed - std::int64_t(state.failures.size());
    return state;
}

}  // namespace

std::string outbox_text(hunt::HuntStore& store) {
    const OutboxState state = read_outbox(store);
    if (state.counts.empty()) {
        return {};
    }
    std::string text = "outbox\n";
    for (const auto& channel : state.counts) {
        text += "  " + channel.channel_shown + ": " + std::to_string(channel.waiting) +
                " waiting, " + std::to_string(channel.delivered) + " delivered, " +
                std::to_string(channel.failed) + " failed\n";
    }
    if (!state.failures.empty()) {
        text += "  failed for good (newest first; qorvex-hunt notify-retry sends them again):\n";
        for (const auto& failure : state.failures) {
            text += "    " + hunt::iso_time_text(failure.failed_at) + "  " + failure.channel_shown +
                    "  " + failure.target + "  " + std::to_string(failure.number) + "  " +
                    failure.error + "\n";
        }
        if (state.not_listed > 0) {
            text += "    and " + std::to_string(state.not_listed) + " more\n";
        }
    }
    return text;
}

std::string outbox_json(hunt::HuntStore& store) {
    using nlohmann::json;
    const OutboxState state = read_outbox(store);
    if (state.counts.empty()) {
        return {};
    }
    auto channels = json::array();
    for (const auto& channel : state.counts) {
        channels.push_back({{"channel", channel.channel_shown},
                            {"waiting", channel.waiting},
                            {"delivered", channel.delivered},
                            {"failed", channel.failed}});
    }
    auto failures = json::array();
    for (const auto& failure : state.failures) {
        failures.push_back({{"channel", failure.channel_shown},
                            {"target", failure.target},
                            {"number", std::to_string(failure.number)},
                            {"failed_at", hunt::iso_time_text(failure.failed_at)},
                            {"error", failure.error}});
    }
    return json_line({{"outbox", std::move(channels)},
                      {"failed", std::move(failures)},
                      {"failed_not_listed", state.not_listed}});
}

}  // namespace qorvex::hunt_cli
