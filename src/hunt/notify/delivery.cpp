#include "hunt/notify/delivery.h"

#include <nlohmann/json.hpp>

#include "hunt/notify/mail_text.h"
#include "hunt/notify/signing.h"
#include "hunt/notify/url_parts.h"

namespace qorvex::hunt::notify {
namespace {

using Json = nlohmann::ordered_json;

constexpr std::string_view kJsonType = "application/json; charset=utf-8";
constexpr std::string_view kAppName = "qorvex-hunt";
constexpr TimeMs kMsPerSecond = 1000;

std::string dump(const Json& json) {
    // Chinese stays UTF-8 rather than \u escapes: what the services count.
    return json.dump(-1, ' ', false, Json::error_handler_t::replace);
}

HttpRequest json_post(std::string url, const Channel& channel, const Json& body) {
    HttpRequest request{
        "POST", std::move(url), {{"Content-Type", std::string(kJsonType)}}, dump(body)};
    request.headers.insert(request.headers.end(), channel.headers.begin(), channel.headers.end());
    return request;
}

HttpRequest webhook(const Channel& channel, const Message& message, TimeMs now) {
    const Json body{{"title", message.title},
                    {"text", message.body},
                    {"link", message.link},
                    {"hits", message.hits},
                    {"sent_ms", now}};
    return json_post(channel.endpoint, channel, body);
}

HttpRequest ntfy(const Channel& channel, const Message& message) {
    // ntfy's JSON publishing: POST to the server's root with the topic inside.
    Json body{{"topic", channel.target},
              {"title", message.title},
              {"message", message.body},
              {"click", message.link}};
    if (const std::string priority = channel.option("priority"); !priority.empty()) {
        body["priority"] = std::stoi(priority);
    }
    if (const std::string tags = channel.option("tags"); !tags.empty()) {
        Json list = Json::array();
        std::size_t start = 0;
        while (start <= tags.size()) {
            const auto end = std::min(tags.find(',', start), tags.size());
            if (end > start) {
                list.push_back(tags.substr(start, end - start));
            }
            start = end + 1;
        }
        body["tags"] = list;
    }
    return json_post(channel.endpoint, channel, body);
}

HttpRequest bark(const Channel& channel, const Message& message) {
    // Bark server's V2 API: POST /push with the device key in the body.
    Json body{{"device_key", channel.target},
              {"title", message.title},
              {"body", message.body},
              {"url", message.link}};
    for (const std::string_view name : {"group", "sound", "level"}) {
        if (std::string value = channel.option(name); !value.empty()) {
            body[std::string(name)] = std::move(value);
        }
    }
    return json_post(channel.endpoint, channel, body);
}

HttpRequest wecom(const Channel& channel, const Message& message) {
    const Json body{{"msgtype", "text"}, {"text", {{"content", message.text()}}}};
    return json_post(channel.endpoint, channel, body);
}

HttpRequest dingtalk(const Channel& channel, const Message& message, TimeMs now) {
    std::string url = channel.endpoint;
    if (!channel.secret.empty()) {
        url += "&timestamp=" + std::to_string(now) +
               "&sign=" + percent_encode(dingtalk_signature(channel.secret, now));
    }
    const Json body{{"msgtype", "text"}, {"text", {{"content", message.text()}}}};
    return json_post(std::move(url), channel, body);
}

HttpRequest feishu(const Channel& channel, const Message& message, TimeMs now) {
    Json body;
    if (!channel.secret.empty()) {
        const TimeMs seconds = now / kMsPerSecond;
        body["timestamp"] = std::to_string(seconds);
        body["sign"] = feishu_signature(channel.secret, seconds);
    }
    body["msg_type"] = "text";
    body["content"] = {{"text", message.text()}};
    return json_post(channel.endpoint, channel, body);
}

HttpRequest telegram(const Channel& channel, const Message& message) {
    // Plain text (no parse_mode), so that nothing in it needs escaping; the
    // link preview would show the application page's card on every message.
    const Json body{{"chat_id", channel.target},
                    {"text", message.text()},
                    {"link_preview_options", {{"is_disabled", true}}}};
    return json_post(channel.endpoint, channel, body);
}

}  // namespace

Delivery build_delivery(const Channel& channel, const Message& message, TimeMs now,
                        std::string_view message_id) {
    switch (channel.kind) {
        case ChannelKind::Webhook:
            return webhook(channel, message, now);
        case ChannelKind::Ntfy:
            return ntfy(channel, message);
        case ChannelKind::Bark:
            return bark(channel, message);
        case ChannelKind::WeCom:
            return wecom(channel, message);
        case ChannelKind::DingTalk:
            return dingtalk(channel, message, now);
        case ChannelKind::Feishu:
            return feishu(channel, message, now);
        case ChannelKind::Telegram:
            return telegram(channel, message);
        case ChannelKind::Email:
            return MailRequest{
                channel.server,
                channel.user,
                channel.password,
                channel.from,
                channel.recipients,
                mail_text(channel.from, channel.recipients, message, now, message_id)};
        case ChannelKind::Desktop:
            return DesktopRequest{std::string(kAppName), message.title, message.body,
                                  channel.option("urgency")};
    }
    return HttpRequest{};
}

}  // namespace qorvex::hunt::notify
