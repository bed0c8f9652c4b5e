#pragma once

// The exact request that delivers a message over a channel, built the way
// each service documents it: an HTTP request for the web services, a mail
// for SMTP, a notification for the desktop. The senders that carry them out
// (libcurl, libnotify) only copy these fields onto the wire.
//
// The generic webhook receives {"title", "text", "link", "hits", "sent_ms"}:
// the message's title and body, the application page, how many hits the
// message holds and when it was built (ms since 1970, UTC).

#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "hunt/notify/channel.h"
#include "hunt/notify/hit_message.h"
#include "hunt/store.h"

namespace qorvex::hunt::notify {

struct HttpRequest {
    std::string method;
    std::string url;
    std::vector<Header> headers;
    std::string body;
};

struct MailRequest {
    std::string server;  // smtp://host:port (STARTTLS required) or smtps://host:port
    std::string user;    // empty: no login
    std::string password;
    std::string from;
    std::vector<std::string> recipients;
    std::string message;  // the whole mail, headers and body, CRLF line ends
};

struct DesktopRequest {
    std::string app_name;
    std::string summary;
    std::string body;
    std::string urgency;  // low, normal or critical
};

using Delivery = std::variant<HttpRequest, MailRequest, DesktopRequest>;

// `now` stamps the signatures and the mail's Date; `message_id` (unique per
// outbox message, e.g. its row id) makes the mail's Message-ID, so that a
// mail sent twice after a crash is recognisable as one.
Delivery build_delivery(const Channel& channel, const Message& message, TimeMs now,
                        std::string_view message_id);

}  // namespace qorvex::hunt::notify
