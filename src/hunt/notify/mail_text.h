#pragma once

// A message as an Internet mail (RFC 5322 with MIME): plain UTF-8 text in
// Base64, the subject as RFC 2047 encoded words, CRLF line ends, and a
// Message-ID made from the outbox message's id, so that a mail repeated
// after a crash carries the same id as the first.

#include <string>
#include <string_view>
#include <vector>

#include "hunt/notify/hit_message.h"
#include "hunt/store.h"

namespace qorvex::hunt::notify {

// "Thu, 10 Dec 2026 16:08:36 +0000"
std::string mail_date(TimeMs time);

// The text as one or more "=?UTF-8?B?…?=" words of at most 75 characters,
// split between characters and folded onto continuation lines; ASCII text
// without "=?" is returned as it is.
std::string encoded_header_text(std::string_view text);

std::string mail_text(std::string_view from, const std::vector<std::string>& recipients,
                      const Message& message, TimeMs now, std::string_view message_id);

}  // namespace qorvex::hunt::notify
