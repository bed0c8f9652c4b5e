#include "hunt_cli/notify_retry_command.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "hunt/notify/channel.h"
#include "hunt/notify/channel_key.h"
#include "hunt_cli/exit_codes.h"
#include "hunt_cli/hunt_view.h"
#include "hunt_cli/store_factory.h"

namespace qorvex::hunt_cli {

namespace {

namespace notify = qorvex::hunt::notify;

std::optional<std::string> from_environment(std::string_view name) {
    const char* value = std::getenv(std::string(name).c_str());
    return value == nullptr ? std::nullopt : std::optional<std::string>(value);
}

std::string messages_text(std::int64_t count) {
    return std::to_string(count) + (count == 1 ? " failed message waits" : " failed messages wait");
}

}  // namespace

int run_notify_retry(const NotifyRetryOptions& options) {
    // Each channel is named as a hunter names it, by the key of what its URL
    // resolves to, so the URL may be written as the hunt was given it.
    std::vector<notify::Channel> channels;
    for (std::size_t i = 0; i < options.urls.size(); ++i) {
        auto parsed = notify::parse_channel(options.urls[i], from_environment);
        if (!parsed.channel) {
            report_error("channel " + std::to_string(i + 1) + ": " + parsed.error);
            return kExitUsage;
        }
        channels.push_back(std::move(*parsed.channel));
    }
    const hunt::TimeMs now = std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::system_clock::now().time_since_epoch())
                                 .count();
    try {
        auto store = open_store(options.db, StoreUse::Change);
        if (channels.empty()) {
            const std::int64_t retried = store->retry_failed(std::nullopt, now);
            write_out(stdout, messages_text(retried) + " again\n");
            return kExitOk;
        }
        for (const auto& channel : channels) {
            const std::int64_t retried = store->retry_failed(notify::channel_key(channel), now);
            write_out(stdout, messages_text(retried) + " again on " + channel.masked + "\n");
        }
        return kExitOk;
    } catch (const hunt::StoreError& error) {
        report_error(error.what());
        return kExitFailure;
    }
}

}  // namespace qorvex::hunt_cli
