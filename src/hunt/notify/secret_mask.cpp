#include "hunt/notify/secret_mask.h"

namespace qorvex::hunt::notify {
namespace {

constexpr std::size_t kShortestMaskedSecret = 4;
constexpr std::string_view kMask = "***";

}  // namespace

std::set<std::string> channel_secrets(const Channel& channel,
                                      const std::set<std::string>& from_environment) {
    std::set<std::string> secrets = from_environment;
    secrets.insert(channel.secret);
    secrets.insert(channel.password);
    for (const auto& header : channel.headers) {
        secrets.insert(header.value);
        // "Bearer TOKEN": a service may quote the token alone.
        if (const auto space = header.value.find(' '); space != std::string::npos) {
            secrets.insert(header.value.substr(space + 1));
        }
    }
    const std::string& endpoint = channel.endpoint;
    switch (channel.kind) {
        case ChannelKind::Ntfy:
        case ChannelKind::Bark:
            // Whoever knows an ntfy topic or a Bark device key can push to it.
            secrets.insert(channel.target);
            break;
        case ChannelKind::WeCom:
        case ChannelKind::DingTalk:
            secrets.insert(endpoint.substr(endpoint.find('=') + 1));
            break;
        case ChannelKind::Feishu:
            secrets.insert(endpoint.substr(endpoint.rfind('/') + 1));
            break;
        case ChannelKind::Telegram: {
            const auto begin = endpoint.find("/bot") + 4;
            secrets.insert(endpoint.substr(begin, endpoint.rfind('/') - begin));
            break;
        }
        default:
            break;
    }
    return secrets;
}

std::string mask_secrets(std::string text, const std::set<std::string>& secrets) {
    for (const auto& secret : secrets) {
        if (secret.size() < kShortestMaskedSecret) {
            continue;
        }
        for (auto at = text.find(secret); at != std::string::npos;
             at = text.find(secret, at + kMask.size())) {
            text.replace(at, secret.size(), kMask);
        }
    }
    return text;
}

}  // namespace qorvex::hunt::notify
