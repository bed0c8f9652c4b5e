#include "hunt_cli/notify_test_command.h"

#include <chrono>
#include <cstdio>
#include <variant>

#include "hunt/notify/delivery.h"
#include "hunt/notify/secret_mask.h"
#include "hunt_cli/exit_codes.h"
#include "hunt_cli/notify_channels.h"
#include "hunt_cli/notify_sending.h"

namespace qorvex::hunt_cli {
namespace {

namespace notify = qorvex::hunt::notify;
using qorvex::hunt::TimeMs;

TimeMs now_ms() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

notify::Message test_message(notify::Language language, const std::string& host) {
    const auto style = notify::message_style(language, 0, host);
    notify::Message message;
    if (language == notify::Language::English) {
        message.title = "qorvex-hunt: test message";
        message.body = "This channel works: hits will arrive here.\n" + style.application_page;
    } else {
        message.title = "qorvex-hunt：测试消息";
        message.body = "此通道可用，命中的号码将发送到这里。\n" + style.application_page;
    }
    message.link = style.application_page;
    return message;
}

}  // namespace

int run_notify_test(const NotifyTestOptions& options) {
    auto read = read_channels(options.urls, options.file);
    if (auto* refusals = std::get_if<std::vector<std::string>>(&read)) {
        for (const auto& refusal : *refusals) {
            std::fprintf(stderr, "qorvex-hunt: %s\n", refusal.c_str());
        }
        return kExitUsage;
    }
    const auto channels = std::get<std::vector<NamedChannel>>(std::move(read));
    if (channels.empty()) {
        std::fprintf(stderr,
                     "qorvex-hunt: name a channel with --notify URL or --notify-file FILE\n");
        return kExitUsage;
    }

    const auto language =
        options.lang == "en" ? notify::Language::English : notify::Language::Chinese;
    const notify::Message message = test_message(language, options.host);
    notify::SendOptions send_options;
    send_options.timeout =
        std::chrono::milliseconds(static_cast<long long>(options.timeout_s * 1000));
    int failures = 0;
    for (const auto& [channel, secrets] : channels) {
        const TimeMs now = now_ms();
        const auto delivery =
            notify::build_delivery(channel, message, now, "test-" + std::to_string(now));
        const SendOutcome outcome = send_delivery(delivery, channel.kind, send_options);
        const bool delivered = outcome.result.verdict == notify::Verdict::Delivered;
        failures += delivered ? 0 : 1;
        std::printf("%s %s\n  answer: %s\n", delivered ? "delivered" : "FAILED",
                    channel.masked.c_str(), notify::mask_secrets(outcome.answer, secrets).c_str());
        if (!delivered) {
            std::printf("  error: %s\n",
                        notify::mask_secrets(outcome.result.error, secrets).c_str());
        }
        std::fflush(stdout);
    }
    return failures == 0 ? kExitOk : kExitFailure;
}

}  // namespace qorvex::hunt_cli
