#pragma once

// What a service's answer means for an outbox message: delivered, to be
// tried again later (with the wait the service asked for, if it asked), or
// failed for good with the service's own words. HTTP 2xx alone is not a
// delivery where the service's body carries its own code: DingTalk's and
// WeCom's "errcode", Feishu's "code", Bark's "code" and Telegram's "ok".
// A rate-limit code in a 2xx body is a "later", not a failure.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "hunt/notify/channel.h"
#include "hunt/store.h"

namespace qorvex::hunt::notify {

enum class Verdict { Delivered, RetryLater, Failed };

struct DeliveryResult {
    Verdict verdict = Verdict::RetryLater;
    std::optional<TimeMs> retry_after_ms;  // the wait the service asked for
    std::string error;                     // empty when delivered
};

struct HttpAnswer {
    int status = 0;  // 0: no answer (time-out, reset, refused, TLS)
    std::vector<Header> headers;
    std::string body;
    std::string transport_error;  // what the transport said when status is 0
};

DeliveryResult read_http_answer(ChannelKind kind, const HttpAnswer& answer, TimeMs now);

// `code` is the SMTP server's last reply code, 0 when none came.
DeliveryResult read_mail_answer(int code, std::string_view text);

// Whether the desktop showed the notification; a session without a
// notification service may gain one, so it is tried again.
DeliveryResult read_desktop_answer(bool shown, std::string_view error);

// A Retry-After value (seconds, or an HTTP date) as a wait from `now`.
std::optional<TimeMs> retry_after_delay(std::string_view value, TimeMs now);

}  // namespace qorvex::hunt::notify
