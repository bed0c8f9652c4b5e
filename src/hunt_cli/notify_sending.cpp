#include "hunt_cli/notify_sending.h"

#include <chrono>
#include <variant>

#include "hunt/notify/curl/mail_sender.h"
#include "hunt/notify/libnotify/desktop_sender.h"

namespace qorvex::hunt_cli {
namespace {

namespace notify = qorvex::hunt::notify;

// An answer body is kept up to this many bytes: enough for any service's
// error, short enough for a terminal when a proxy sends a whole page.
constexpr std::size_t kShownAnswerBytes = 400;

hunt::TimeMs now_ms() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

}  // namespace

SendOutcome send_delivery(const notify::Delivery& delivery, notify::ChannelKind kind,
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

}  // namespace qorvex::hunt_cli
