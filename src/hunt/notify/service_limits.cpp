#include "hunt/notify/service_limits.h"

namespace qorvex::hunt::notify {

ServiceLimits service_limits(ChannelKind kind) {
    constexpr TimeMs kSecond = 1000;
    switch (kind) {
        case ChannelKind::Webhook:
            // A generic receiver documents nothing: one a second at most.
            return {{16'384, false}, 60, kSecond, 0};
        case ChannelKind::Ntfy:
            // docs.ntfy.sh (config, "message-size-limit"): 4096 bytes, beyond
            // which a message becomes an attachment; ntfy.sh's visitor limit
            // is a burst of 60 requests refilled one per 5 s, so 12 a minute
            // keep clear of it.
            return {{4096, false}, 12, 0, 0};
        case ChannelKind::Bark:
            // Bark pushes through APNs, whose payload is at most 4096 bytes
            // including Bark's own fields; 3000 bytes of text leave room.
            // Bark documents no rate.
            return {{3000, false}, 30, kSecond, 0};
        case ChannelKind::WeCom:
            // WeCom group bot: a text message's content is at most 2048
            // bytes; at most 20 messages a minute per bot.
            return {{2048, false}, 20, 0, 0};
        case ChannelKind::DingTalk:
            // DingTalk custom bot: at most 20 messages a minute per bot, and
            // one that sends more is shut out for 10 minutes. DingTalk
            // documents no length for text; 4000 bytes is our own bound.
            return {{4000, false}, 20, 0, 600 * kSecond};
        case ChannelKind::Feishu:
            // Feishu/Lark custom bot: 100 requests a minute and 5 a second
            // per bot; a request body of at most 20 KB, JSON included.
            return {{18'432, false}, 100, kSecond / 5, 0};
        case ChannelKind::Telegram:
            // Bot API sendMessage: text of 1 to 4096 characters; the Bot FAQ
            // asks for no more than one message a second in a chat and 20 a
            // minute in a group.
            return {{4096, true}, 20, kSecond, 0};
        case ChannelKind::Email:
            // Mail servers document no rate for a submitter; ten a minute
            // keeps a hunt from looking like a flood.
            return {{65'536, false}, 10, 0, 0};
        case ChannelKind::Desktop:
            // Notification bubbles show a few lines; longer texts are cut.
            return {{1000, true}, 0, 0, 0};
    }
    return {};
}

}  // namespace qorvex::hunt::notify
