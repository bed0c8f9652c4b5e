#include "hunt_cli/notify_test_command.h"

#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <variant>

#include "hunt/notify/answer_reading.h"
#include "hunt/notify/channel.h"
#include "hunt/notify/curl/http_sender.h"
#include "hunt/notify/curl/mail_sender.h"
#include "hunt/notify/delivery.h"
#include "hunt/notify/libnotify/desktop_sender.h"
#include "hunt/notify/secret_mask.h"
#include "hunt_cli/exit_codes.h"

namespace qorvex::hunt_cli {
namespace {

namespace notify = qorvex::hunt::notify;
using qorvex::hunt::TimeMs;

// An answer body is shown up to this many bytes: enough for any service's
// error, short enough for a terminal when a proxy sends a whole page.
constexpr std::size_t kShownAnswerBytes = 400;

TimeMs now_ms() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

// The URLs of a --notify-file: one a line, blank lines and "#" comments
// skipped. A file that others may read is refused: it holds secrets.
bool read_url_file(const std::string& path, std::vector<std::string>& urls) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        std::fprintf(stderr, "qorvex-hunt: cannot read %s\n", path.c_str());
        return false;
    }
    if ((status.st_mode & (S_IRGRP | S_IROTH)) != 0) {
        std::fprintf(stderr,
                     "qorvex-hunt: %s is readable by other users and may hold secrets; "
                     "make it private first: chmod 600 %s\n",
                     path.c_str(), path.c_str());
        return false;
    }
    std::ifstream in(path);
    if (!in) {
        std::fprintf(stderr, "qorvex-hunt: cannot read %s\n", path.c_str());
        return false;
    }
    std::string line;
    while (std::getline(in, line)) {
        const auto begin = line.find_first_not_of(" \t\r");
        if (begin == std::string::npos || line[begin] == '#') {
            continue;
        }
        const auto end = line.find_last_not_of(" \t\r");
        urls.push_back(line.substr(begin, end - begin + 1));
    }
    return true;
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

struct Outcome {
    notify::DeliveryResult result;
    std::string answer;  // what the service said, as it said it
};

Outcome send(const notify::Delivery& delivery, notify::ChannelKind kind,
             const notify::SendOptions& options) {
    if (const auto* http = std::get_if<notify::HttpRequest>(&delivery)) {
        const auto answer = notify::send_http(*http, options);
        std::string said = answer.status == 0 ? answer.transport_error
                                              : "HTTP " + std::to_string(answer.status) + " " +
                                                    answer.body.substr(0, kShownAnswerBytes);
        return {notify::read_http_answer(kind, answer, now_ms()), std::move(said)};
    }
    if (const auto* mail = std::get_if<notify::MailRequest>(&delivery)) {
        const auto answer = notify::send_mail(*mail, options);
        return {notify::read_mail_answer(answer.code, answer.text),
                "SMTP " + std::to_string(answer.code) + " " + answer.text};
    }
    const auto answer = notify::show_desktop(std::get<notify::DesktopRequest>(delivery));
    return {notify::read_desktop_answer(answer.shown, answer.error),
            answer.shown ? "shown" : answer.error};
}

}  // namespace

int run_notify_test(const NotifyTestOptions& options) {
    std::vector<std::string> urls = options.urls;
    if (options.file && !read_url_file(*options.file, urls)) {
        return kExitUsage;
    }
    if (urls.empty()) {
        std::fprintf(stderr,
                     "qorvex-hunt: name a channel with --notify URL or --notify-file FILE\n");
        return kExitUsage;
    }
    std::set<std::string> from_environment;
    const notify::Environment environment =
        [&from_environment](std::string_view name) -> std::optional<std::string> {
        const char* value = std::getenv(std::string(name).c_str());
        if (value == nullptr) {
            return std::nullopt;
        }
        from_environment.insert(value);
        return std::string(value);
    };
    std::vector<notify::Channel> channels;
    for (std::size_t i = 0; i < urls.size(); ++i) {
        auto parsed = notify::parse_channel(urls[i], environment);
        if (!parsed.channel) {
            std::fprintf(stderr, "qorvex-hunt: channel %zu: %s\n", i + 1, parsed.error.c_str());
            return kExitUsage;
        }
        channels.push_back(std::move(*parsed.channel));
    }

    const auto language =
        options.lang == "en" ? notify::Language::English : notify::Language::Chinese;
    const notify::Message message = test_message(language, options.host);
    notify::SendOptions send_options;
    send_options.timeout =
        std::chrono::milliseconds(static_cast<long long>(options.timeout_s * 1000));
    int failures = 0;
    for (const auto& channel : channels) {
        const TimeMs now = now_ms();
        const auto delivery =
            notify::build_delivery(channel, message, now, "test-" + std::to_string(now));
        const Outcome outcome = send(delivery, channel.kind, send_options);
        const auto secrets = notify::channel_secrets(channel, from_environment);
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
