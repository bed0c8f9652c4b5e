#include "hunt/notify/channel.h"

#include <algorithm>
#include <array>
#include <utility>

#include "hunt/notify/signing.h"

namespace qorvex::hunt::notify {
namespace {

constexpr std::string_view kMask = "***";
// Path segments this long are taken for tokens in a webhook's masked form.
constexpr std::size_t kTokenLikeLength = 12;
constexpr int kSubmissionPort = 587;
constexpr int kSmtpsPort = 465;
constexpr std::size_t kMaxNtfyTopic = 64;

struct Scheme {
    std::string_view name;
    ChannelKind kind;
    std::string_view transport;  // http/https for HTTP services; a service host otherwise
};

constexpr std::array kSchemes{
    Scheme{"json", ChannelKind::Webhook, "http"},
    Scheme{"jsons", ChannelKind::Webhook, "https"},
    Scheme{"http", ChannelKind::Webhook, "http"},
    Scheme{"https", ChannelKind::Webhook, "https"},
    Scheme{"ntfy", ChannelKind::Ntfy, "http"},
    Scheme{"ntfys", ChannelKind::Ntfy, "https"},
    Scheme{"bark", ChannelKind::Bark, "http"},
    Scheme{"barks", ChannelKind::Bark, "https"},
    Scheme{"wecom", ChannelKind::WeCom, "qyapi.weixin.qq.com"},
    Scheme{"dingtalk", ChannelKind::DingTalk, "oapi.dingtalk.com"},
    Scheme{"feishu", ChannelKind::Feishu, "open.feishu.cn"},
    Scheme{"lark", ChannelKind::Feishu, "open.larksuite.com"},
    Scheme{"tgram", ChannelKind::Telegram, "api.telegram.org"},
    Scheme{"telegram", ChannelKind::Telegram, "api.telegram.org"},
    Scheme{"smtp", ChannelKind::Email, "smtp"},
    Scheme{"smtps", ChannelKind::Email, "smtps"},
    Scheme{"desktop", ChannelKind::Desktop, ""},
};

std::string shown(std::string_view secret) {
    return is_env_reference(secret) ? std::string(secret) : std::string(kMask);
}

bool all_of_chars(std::string_view text, std::string_view extra) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [extra](char c) {
        return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
               extra.find(c) != std::string_view::npos;
    });
}

bool valid_port(std::string_view port) {
    if (port.empty() || port.size() > 5 || !all_of_chars(port, "") ||
        port.find_first_not_of("0123456789") != std::string_view::npos) {
        return false;
    }
    const int value = std::stoi(std::string(port));
    return value >= 1 && value <= 65535;
}

// A name or IPv4 address, or an IPv6 address in brackets.
bool valid_host(std::string_view host) {
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
        const std::string_view address = host.substr(1, host.size() - 2);
        return address.find_first_not_of("0123456789abcdefABCDEF:.") == std::string_view::npos;
    }
    return all_of_chars(host, ".-_") && host.front() != '.' && host.front() != '-';
}

bool valid_mail_address(std::string_view address) {
    const auto at = address.find('@');
    return at != std::string_view::npos && at > 0 && at + 1 < address.size() &&
           address.find('@', at + 1) == std::string_view::npos &&
           address.find_first_of(" <>,;\"\r\n") == std::string_view::npos;
}

std::vector<std::string> split_list(std::string_view text) {
    std::vector<std::string> items;
    std::size_t start = 0;
    while (start <= text.size()) {
        const auto end = std::min(text.find(',', start), text.size());
        if (end > start) {
            items.emplace_back(text.substr(start, end - start));
        }
        start = end + 1;
    }
    return items;
}

// Builds one channel from the split URL; the first problem found ends it.
class Builder {
public:
    Builder(const UrlParts& parts, const Scheme& scheme, const Environment& environment)
        : m_parts(parts), m_scheme(scheme), m_environment(environment) {
        m_channel.kind = scheme.kind;
    }

    ChannelParse build();

private:
    bool fail(std::string message) {
        if (m_error.empty()) {
            m_error = std::string(m_scheme.name) + "://: " + std::move(message);
        }
        return false;
    }

    std::string fill(std::string_view text, std::string_view what) {
        auto filled = fill_env(text, m_environment);
        if (!filled.text) {
            fail(std::string(what) + ": " + filled.error);
            return {};
        }
        return std::move(*filled.text);
    }

    // Every query name must be one the service takes.
    bool only_options(std::initializer_list<std::string_view> names) {
        for (const auto& [name, value] : m_parts.query) {
            if (std::find(names.begin(), names.end(), name) == names.end()) {
                std::string known;
                for (const auto option : names) {
                    known += (known.empty() ? "" : ", ") + std::string(option);
                }
                return fail("unknown option \"" + name + "\" (" +
                            (known.empty() ? "it takes none" : "it takes " + known) + ")");
            }
            if (value.empty()) {
                return fail("the option \"" + name + "\" has no value");
            }
        }
        return true;
    }

    std::string query(std::string_view name) const {
        for (const auto& [key, value] : m_parts.query) {
            if (key == name) {
                return value;
            }
        }
        return {};
    }

    // The token kinds keep their credential where a host would be.
    std::string token_text() const {
        return m_parts.port.empty() ? m_parts.host : m_parts.host + ":" + m_parts.port;
    }

    std::string host_port(std::string_view default_port = {}) {
        if (m_parts.host.empty()) {
            fail("a host is missing");
            return {};
        }
        if (!valid_host(m_parts.host)) {
            fail("\"" + m_parts.host + "\" is not a host name");
            return {};
        }
        if (!m_parts.port.empty() && !valid_port(m_parts.port)) {
            fail("\"" + m_parts.port + "\" is not a port (1 to 65535)");
            return {};
        }
        const std::string port = m_parts.port.empty() ? std::string(default_port) : m_parts.port;
        return port.empty() ? m_parts.host : m_parts.host + ":" + port;
    }

    std::string masked_userinfo() const {
        if (m_parts.user.empty() && !m_parts.has_password) {
            return {};
        }
        return m_parts.user + (m_parts.has_password ? ":" + shown(m_parts.password) : "") + "@";
    }

    // A line break in a header value would start a header of its own.
    bool add_header(std::string name, std::string value) {
        if (value.find_first_of("\r\n") != std::string::npos) {
            return fail("the value of header " + name + " holds a line break");
        }
        m_channel.headers.push_back({std::move(name), std::move(value)});
        return true;
    }

    bool basic_auth() {
        if (m_parts.user.empty() && !m_parts.has_password) {
            return true;
        }
        const std::string credentials =
            fill(m_parts.user, "user") + ":" + fill(m_parts.password, "password");
        return m_error.empty() &&
               add_header("Authorization", "Basic " + base64_encode(credentials));
    }

    bool webhook();
    bool ntfy();
    bool bark();
    bool group_bot();
    bool telegram();
    bool email();
    bool desktop();

    const UrlParts& m_parts;
    const Scheme& m_scheme;
    const Environment& m_environment;
    Channel m_channel;
    std::string m_error;
};

bool Builder::webhook() {
    const std::string authority = host_port();
    if (!m_error.empty() || !basic_auth()) {
        return false;
    }
    std::string path;
    std::string masked_path;
    for (const auto& segment : m_parts.path) {
        path += "/" + percent_encode(fill(segment, "path"));
        masked_path += "/" + (is_env_reference(segment) || segment.size() < kTokenLikeLength
                                  ? segment
                                  : std::string(kMask));
    }
    std::string query_text;
    std::string masked_query;
    for (const auto& [name, value] : m_parts.query) {
        if (name.empty() || name == "+") {
            return fail("a query parameter or +header has no name");
        }
        std::string masked_value = shown(value);
        if (name[0] == '+') {
            const std::string header = name.substr(1);
            if (!all_of_chars(header, "-_")) {
                return fail("\"" + header + "\" is not a header name");
            }
            if (!add_header(header, fill(value, "header " + header))) {
                return false;
            }
        } else {
            query_text += (query_text.empty() ? "?" : "&") + percent_encode(name) + "=" +
                          percent_encode(fill(value, "query"));
        }
        masked_query += masked_query.empty() ? "?" : "&";
        masked_query.append(name).append("=").append(masked_value);
    }
    m_channel.endpoint = std::string(m_scheme.transport) + "://" + authority +
                         (path.empty() ? "/" : path) + query_text;
    m_channel.masked = std::string(m_scheme.name) + "://" + masked_userinfo() + authority +
                       masked_path + masked_query;
    return m_error.empty();
}

bool Builder::ntfy() {
    if (!only_options({"token", "priority", "tags"})) {
        return false;
    }
    std::string server;
    std::string topic;
    std::string transport(m_scheme.transport);
    if (m_parts.path.empty()) {
        // ntfy://TOPIC: the public server, which only speaks HTTPS.
        if (!m_parts.port.empty() || !m_parts.user.empty()) {
            return fail("give the server before the topic: ntfys://HOST/TOPIC");
        }
        server = "ntfy.sh";
        transport = "https";
        topic = m_parts.host;
    } else if (m_parts.path.size() == 1) {
        server = host_port();
        topic = m_parts.path[0];
    } else {
        return fail("one topic per URL: ntfys://HOST/TOPIC (repeat --notify for more)");
    }
    m_channel.target = fill(topic, "topic");
    if (!m_error.empty()) {
        return false;
    }
    if (!all_of_chars(m_channel.target, "-_") || m_channel.target.size() > kMaxNtfyTopic) {
        return fail("a topic is 1 to 64 letters, digits, - or _");
    }
    const std::string token = query("token");
    if (!token.empty() && !m_parts.user.empty()) {
        return fail("give either user:password@ or ?token=, not both");
    }
    if (!token.empty()) {
        if (!add_header("Authorization", "Bearer " + fill(token, "token"))) {
            return false;
        }
    } else if (!basic_auth()) {
        return false;
    }
    if (const std::string priority = query("priority"); !priority.empty()) {
        static constexpr std::array<std::pair<std::string_view, std::string_view>, 11> kPriorities{
            {{"1", "1"},
             {"2", "2"},
             {"3", "3"},
             {"4", "4"},
             {"5", "5"},
             {"min", "1"},
             {"low", "2"},
             {"default", "3"},
             {"high", "4"},
             {"max", "5"},
             {"urgent", "5"}}};
        const auto* found = std::find_if(kPriorities.begin(), kPriorities.end(),
                                         [&](const auto& p) { return p.first == priority; });
        if (found == kPriorities.end()) {
            return fail("priority is 1 to 5 or min, low, default, high, max, urgent");
        }
        m_channel.options.emplace_back("priority", found->second);
    }
    if (const std::string tags = query("tags"); !tags.empty()) {
        m_channel.options.emplace_back("tags", tags);
    }
    m_channel.endpoint = transport + "://" + server + "/";
    m_channel.masked = std::string(m_scheme.name) + "://" + masked_userinfo() +
                       (m_parts.path.empty() ? "" : server + "/") + shown(topic);
    std::string masked_query;
    for (const auto& [name, value] : m_parts.query) {
        masked_query += (masked_query.empty() ? "?" : "&") + name + "=" +
                        (name == "token" ? shown(value) : value);
    }
    m_channel.masked += masked_query;
    return m_error.empty();
}

bool Builder::bark() {
    if (!only_options({"group", "sound", "level"})) {
        return false;
    }
    const std::string server = host_port();
    if (!m_error.empty()) {
        return false;
    }
    if (m_parts.path.size() != 1) {
        return fail("give the device key as the path: barks://api.day.app/DEVICE_KEY");
    }
    const std::string level = query("level");
    if (!level.empty() && level != "active" && level != "timeSensitive" && level != "passive" &&
        level != "critical") {
        return fail("level is active, timeSensitive, passive or critical");
    }
    m_channel.target = fill(m_parts.path[0], "device key");
    for (const auto& [name, value] : m_parts.query) {
        m_channel.options.emplace_back(name, value);
    }
    m_channel.endpoint = std::string(m_scheme.transport) + "://" + server + "/push";
    m_channel.masked = std::string(m_scheme.name) + "://" + server + "/" + shown(m_parts.path[0]);
    return m_error.empty();
}

// WeCom, DingTalk and Feishu: a key where the host would be, and for the
// two that sign, the secret where a user would be.
bool Builder::group_bot() {
    if (!only_options({}) || !m_parts.path.empty() || m_parts.has_password) {
        return m_error.empty()
                   ? fail(std::string("write ") + std::string(m_scheme.name) +
                          (m_scheme.kind == ChannelKind::WeCom ? "://KEY" : "://[SECRET@]TOKEN"))
                   : false;
    }
    const std::string raw_key = token_text();
    if (raw_key.empty()) {
        return fail("the bot's key is missing");
    }
    if (m_scheme.kind == ChannelKind::WeCom && !m_parts.user.empty()) {
        return fail("WeCom bots are not signed: write wecom://KEY");
    }
    const std::string key = fill(raw_key, "key");
    if (!m_parts.user.empty()) {
        m_channel.secret = fill(m_parts.user, "secret");
    }
    if (!m_error.empty()) {
        return false;
    }
    if (!all_of_chars(key, "-_.~")) {
        return fail("the key holds characters a bot key does not have");
    }
    const std::string host(m_scheme.transport);
    switch (m_scheme.kind) {
        case ChannelKind::WeCom:
            m_channel.endpoint = "https://" + host + "/cgi-bin/webhook/send?key=" + key;
            break;
        case ChannelKind::DingTalk:
            m_channel.endpoint = "https://" + host + "/robot/send?access_token=" + key;
            break;
        default:
            m_channel.endpoint = "https://" + host + "/open-apis/bot/v2/hook/" + key;
    }
    m_channel.masked = std::string(m_scheme.name) + "://" +
                       (m_parts.user.empty() ? "" : shown(m_parts.user) + "@") + shown(raw_key);
    return true;
}

bool Builder::telegram() {
    if (!only_options({}) || !m_parts.user.empty()) {
        return m_error.empty() ? fail("write tgram://BOT_TOKEN/CHAT_ID") : false;
    }
    if (m_parts.path.size() != 1) {
        return fail("one chat per URL: tgram://BOT_TOKEN/CHAT_ID (repeat --notify for more)");
    }
    const std::string raw_token = token_text();
    const std::string token = fill(raw_token, "bot token");
    if (!m_error.empty()) {
        return false;
    }
    const auto colon = token.find(':');
    if (colon == std::string::npos || colon == 0 ||
        token.substr(0, colon).find_first_not_of("0123456789") != std::string::npos ||
        !all_of_chars(token.substr(colon + 1), "-_")) {
        return fail("a bot token is the bot's number, a colon and its key, as @BotFather gives it");
    }
    const std::string& chat = m_parts.path[0];
    const bool numeric = all_of_chars(chat[0] == '-' ? chat.substr(1) : chat, "") &&
                         chat.find_first_not_of("-0123456789") == std::string::npos;
    const bool channel_name =
        chat.size() > 1 && chat[0] == '@' && all_of_chars(chat.substr(1), "_");
    if (!numeric && !channel_name) {
        return fail("a chat is a number (-100… for groups) or @channelname");
    }
    m_channel.target = chat;
    m_channel.endpoint =
        "https://" + std::string(m_scheme.transport) + "/bot" + token + "/sendMessage";
    m_channel.masked = std::string(m_scheme.name) + "://" + shown(raw_token) + "/" + chat;
    return true;
}

bool Builder::email() {
    if (!only_options({"from", "to"})) {
        return false;
    }
    const bool implicit_tls = m_scheme.transport == "smtps";
    const std::string server =
        host_port(implicit_tls ? std::to_string(kSmtpsPort) : std::to_string(kSubmissionPort));
    if (!m_error.empty()) {
        return false;
    }
    if (!m_parts.path.empty()) {
        return fail("the recipients go in ?to=, not in the path");
    }
    m_channel.server = std::string(m_scheme.transport) + "://" + server;
    m_channel.user = fill(m_parts.user, "user");
    m_channel.password = fill(m_parts.password, "password");
    m_channel.from = query("from").empty() ? m_channel.user : query("from");
    if (!valid_mail_address(m_channel.from)) {
        return fail("give the sender as ?from=ADDRESS (the user is not an address)");
    }
    m_channel.recipients = split_list(query("to"));
    if (m_channel.recipients.empty()) {
        m_channel.recipients.push_back(m_channel.from);
    }
    for (const auto& recipient : m_channel.recipients) {
        if (!valid_mail_address(recipient)) {
            return fail("\"" + recipient + "\" is not an e-mail address");
        }
    }
    m_channel.masked = std::string(m_scheme.name) + "://" + masked_userinfo() + server +
                       "?from=" + m_channel.from + "&to=" + query("to");
    if (query("to").empty()) {
        m_channel.masked.resize(m_channel.masked.size() - 4);
    }
    return m_error.empty();
}

bool Builder::desktop() {
    if (!only_options({"urgency"})) {
        return false;
    }
    if (!m_parts.authority.empty() || !m_parts.path.empty()) {
        return fail("a desktop notification names no host or path: desktop://");
    }
    const std::string urgency = query("urgency").empty() ? "normal" : query("urgency");
    if (urgency != "low" && urgency != "normal" && urgency != "critical") {
        return fail("urgency is low, normal or critical");
    }
    m_channel.options.emplace_back("urgency", urgency);
    m_channel.masked = "desktop://" + (query("urgency").empty() ? "" : "?urgency=" + urgency);
    return true;
}

ChannelParse Builder::build() {
    bool built = false;
    switch (m_scheme.kind) {
        case ChannelKind::Webhook:
            built = webhook();
            break;
        case ChannelKind::Ntfy:
            built = ntfy();
            break;
        case ChannelKind::Bark:
            built = bark();
            break;
        case ChannelKind::WeCom:
        case ChannelKind::DingTalk:
        case ChannelKind::Feishu:
            built = group_bot();
            break;
        case ChannelKind::Telegram:
            built = telegram();
            break;
        case ChannelKind::Email:
            built = email();
            break;
        case ChannelKind::Desktop:
            built = desktop();
            break;
    }
    if (!built || !m_error.empty()) {
        return {std::nullopt, m_error};
    }
    return {std::move(m_channel), {}};
}

}  // namespace

std::string_view kind_name(ChannelKind kind) {
    constexpr std::array<std::string_view, 9> kNames{
        "webhook", "ntfy", "Bark", "WeCom", "DingTalk", "Feishu", "Telegram", "e-mail", "desktop"};
    return kNames[std::size_t(kind)];
}

std::string Channel::option(std::string_view name) const {
    for (const auto& [key, value] : options) {
        if (key == name) {
            return value;
        }
    }
    return {};
}

ChannelParse parse_channel(std::string_view url, const Environment& environment) {
    const UrlSplit split = split_url(url);
    if (!split.parts) {
        return {std::nullopt, split.error};
    }
    const auto* scheme = std::find_if(kSchemes.begin(), kSchemes.end(), [&](const Scheme& s) {
        return s.name == split.parts->scheme;
    });
    if (scheme == kSchemes.end()) {
        std::string known;
        for (const auto& s : kSchemes) {
            known += (known.empty() ? "" : ", ") + std::string(s.name);
        }
        return {std::nullopt,
                "\"" + split.parts->scheme + "://\" is not a channel kind; the kinds are " + known};
    }
    return Builder(*split.parts, *scheme, environment).build();
}

}  // namespace qorvex::hunt::notify
