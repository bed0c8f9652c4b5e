#include "hunt/notify/answer_reading.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <nlohmann/json.hpp>

#include "hunt/notify/service_limits.h"

namespace qorvex::hunt::notify {
namespace {

using Json = nlohmann::json;

constexpr TimeMs kMsPerSecond = 1000;
// A service's wait is honoured up to a year; beyond that the number is
// nonsense, and milliseconds of it could overflow.
constexpr long long kLongestWaitSeconds = 365LL * 24 * 3600;
constexpr std::size_t kMaxErrorText = 300;

// The services' own codes for "too fast" and "busy, try again".
constexpr int kWeComTooFast = 45009;
constexpr int kSystemBusy = -1;  // WeCom and DingTalk
constexpr int kDingTalkTooFast = 130101;
constexpr std::array kFeishuTooFast{9499, 11232, 99991400};

constexpr int kRequestTimeout = 408;
constexpr int kTooEarly = 425;
constexpr int kTooManyRequests = 429;

TimeMs wait_ms(long long seconds) {
    return TimeMs(std::clamp(seconds, 0LL, kLongestWaitSeconds)) * kMsPerSecond;
}

bool transient_status(int status) {
    return status == kRequestTimeout || status == kTooEarly || status == kTooManyRequests ||
           (status >= 500 && status <= 599);
}

std::string clipped(std::string text) {
    if (text.size() > kMaxErrorText) {
        // Cut on a character boundary so the stored text stays valid UTF-8.
        std::size_t end = kMaxErrorText;
        while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0U) == 0x80U) {
            --end;
        }
        text.resize(end);
        text += "…";
    }
    return text;
}

std::string header(const HttpAnswer& answer, std::string_view name) {
    for (const auto& [key, value] : answer.headers) {
        if (std::equal(key.begin(), key.end(), name.begin(), name.end(),
                       [](char a, char b) { return (a | 0x20) == (b | 0x20); })) {
            return value;
        }
    }
    return {};
}

DeliveryResult later(std::string error, std::optional<TimeMs> wait = std::nullopt) {
    return {Verdict::RetryLater, wait, clipped(std::move(error))};
}

DeliveryResult failed(std::string error) {
    return {Verdict::Failed, std::nullopt, clipped(std::move(error))};
}

std::string text_of(const Json& body, std::string_view key) {
    const auto found = body.find(key);
    return found != body.end() && found->is_string() ? found->get<std::string>() : std::string();
}

std::optional<long long> number_of(const Json& body, std::string_view key) {
    const auto found = body.find(key);
    if (found == body.end() || !found->is_number_integer()) {
        return std::nullopt;
    }
    return found->get<long long>();
}

// A 2xx answer from a service whose body has the last word.
DeliveryResult read_body_code(ChannelKind kind, const Json& body) {
    const std::string name(kind_name(kind));
    switch (kind) {
        case ChannelKind::WeCom:
        case ChannelKind::DingTalk: {
            const auto code = number_of(body, "errcode");
            if (!code) {
                return later(name + " answered without an errcode");
            }
            const std::string error =
                name + " errcode " + std::to_string(*code) + ": " + text_of(body, "errmsg");
            if (*code == 0) {
                return {Verdict::Delivered, std::nullopt, {}};
            }
            if (*code == kWeComTooFast || *code == kSystemBusy) {
                return later(error);
            }
            if (*code == kDingTalkTooFast) {
                return later(error, service_limits(kind).throttle_ms);
            }
            return failed(error);
        }
        case ChannelKind::Feishu: {
            // Older answers carry "StatusCode" and "StatusMessage" instead.
            auto code = number_of(body, "code");
            std::string message = text_of(body, "msg");
            if (!code) {
                code = number_of(body, "StatusCode");
                message = text_of(body, "StatusMessage");
            }
            if (!code) {
                return later("Feishu answered without a code");
            }
            const std::string error = "Feishu code " + std::to_string(*code) + ": " + message;
            if (*code == 0) {
                return {Verdict::Delivered, std::nullopt, {}};
            }
            if (std::find(kFeishuTooFast.begin(), kFeishuTooFast.end(), *code) !=
                kFeishuTooFast.end()) {
                return later(error);
            }
            return failed(error);
        }
        case ChannelKind::Bark: {
            const auto code = number_of(body, "code");
            if (code && *code == 200) {
                return {Verdict::Delivered, std::nullopt, {}};
            }
            return failed("Bark code " + (code ? std::to_string(*code) : std::string("none")) +
                          ": " + text_of(body, "message"));
        }
        case ChannelKind::Telegram: {
            const auto ok = body.find("ok");
            if (ok != body.end() && ok->is_boolean() && ok->get<bool>()) {
                return {Verdict::Delivered, std::nullopt, {}};
            }
            return failed("Telegram: " + text_of(body, "description"));
        }
        default:
            return {Verdict::Delivered, std::nullopt, {}};
    }
}

bool body_has_code(ChannelKind kind) {
    return kind == ChannelKind::WeCom || kind == ChannelKind::DingTalk ||
           kind == ChannelKind::Feishu || kind == ChannelKind::Bark ||
           kind == ChannelKind::Telegram;
}

// What a refusing service said, from whichever field it says it in.
std::string refusal_text(const Json& body) {
    for (const std::string_view key : {"description", "error", "errmsg", "msg", "message"}) {
        if (std::string text = text_of(body, key); !text.empty()) {
            return text;
        }
    }
    return {};
}

}  // namespace

std::optional<TimeMs> retry_after_delay(std::string_view value, TimeMs now) {
    long long seconds = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), seconds);
    if (error == std::errc() && end == value.data() + value.size() && seconds >= 0) {
        return wait_ms(seconds);
    }
    // An HTTP date, IMF-fixdate form: "Sun, 06 Nov 1994 08:49:37 GMT".
    constexpr std::string_view kMonths = "JanFebMarAprMayJunJulAugSepOctNovDec";
    if (value.size() != 29 || value.substr(25) != " GMT") {
        return std::nullopt;
    }
    const auto number = [value](std::size_t at, std::size_t width) -> std::optional<int> {
        int parsed = 0;
        const auto [stop, failure] =
            std::from_chars(value.data() + at, value.data() + at + width, parsed);
        return failure == std::errc() && stop == value.data() + at + width ? std::optional(parsed)
                                                                           : std::nullopt;
    };
    const auto month = kMonths.find(value.substr(8, 3));
    const auto day = number(5, 2);
    const auto year = number(12, 4);
    const auto hour = number(17, 2);
    const auto minute = number(20, 2);
    const auto second = number(23, 2);
    if (month == std::string_view::npos || month % 3 != 0 || !day || !year || !hour || !minute ||
        !second) {
        return std::nullopt;
    }
    using namespace std::chrono;
    const year_month_day date{std::chrono::year(*year), std::chrono::month(unsigned(month / 3 + 1)),
                              std::chrono::day(unsigned(*day))};
    if (!date.ok()) {
        return std::nullopt;
    }
    const TimeMs at = duration_cast<milliseconds>(sys_days(date).time_since_epoch()).count() +
                      ((TimeMs(*hour) * 60 + *minute) * 60 + *second) * kMsPerSecond;
    return std::max<TimeMs>(0, at - now);
}

DeliveryResult read_http_answer(ChannelKind kind, const HttpAnswer& answer, TimeMs now) {
    const std::string name(kind_name(kind));
    if (answer.status == 0) {
        return later(name + ": no answer" +
                     (answer.transport_error.empty() ? "" : " (" + answer.transport_error + ")"));
    }
    const Json body = Json::parse(answer.body, nullptr, false);
    const bool readable = body.is_object();
    if (answer.status >= 200 && answer.status <= 299) {
        if (!body_has_code(kind)) {
            return {Verdict::Delivered, std::nullopt, {}};
        }
        if (!readable) {
            // A proxy's page or a cut-off answer: whether it went out is unknown.
            return later(name + " answered " + std::to_string(answer.status) +
                         " with a body that is not its JSON");
        }
        DeliveryResult result = read_body_code(kind, body);
        if (kind == ChannelKind::Telegram && result.verdict == Verdict::Failed) {
            // Telegram's flood control: "ok": false with a retry_after.
            if (const auto params = body.find("parameters");
                params != body.end() && params->is_object()) {
                if (const auto wait = number_of(*params, "retry_after")) {
                    return later(result.error, wait_ms(*wait));
                }
            }
        }
        return result;
    }
    std::string error = name + " answered HTTP " + std::to_string(answer.status);
    if (readable && !refusal_text(body).empty()) {
        error += ": " + refusal_text(body);
    }
    if (!transient_status(answer.status)) {
        return failed(error);
    }
    std::optional<TimeMs> wait = retry_after_delay(header(answer, "Retry-After"), now);
    if (!wait && kind == ChannelKind::Telegram && readable) {
        if (const auto params = body.find("parameters");
            params != body.end() && params->is_object()) {
            if (const auto seconds = number_of(*params, "retry_after")) {
                wait = wait_ms(*seconds);
            }
        }
    }
    if (!wait && kind == ChannelKind::Feishu) {
        // Feishu's frequency control names the wait in its own header.
        wait = retry_after_delay(header(answer, "x-ogw-ratelimit-reset"), now);
    }
    return later(error, wait);
}

DeliveryResult read_mail_answer(int code, std::string_view text) {
    const std::string said = std::string(text).empty() ? "" : ": " + std::string(text);
    if (code == 0) {
        return later("e-mail: no answer from the server" + said);
    }
    // SMTP: 2xx done, 4xx try again later, 5xx refused for good.
    if (code >= 200 && code <= 299) {
        return {Verdict::Delivered, std::nullopt, {}};
    }
    const std::string error = "e-mail: server answered " + std::to_string(code) + said;
    return code >= 400 && code <= 499 ? later(error) : failed(error);
}

DeliveryResult read_desktop_answer(bool shown, std::string_view error) {
    if (shown) {
        return {Verdict::Delivered, std::nullopt, {}};
    }
    return later("desktop: " + (error.empty() ? std::string("not shown") : std::string(error)));
}

}  // namespace qorvex::hunt::notify
