#pragma once

// The name a channel goes by in the outbox: a digest of what the channel
// resolves to, so that hunters given the same channel (whether its secrets
// were written out or taken from the environment) share its messages, and
// the history holds no secret. The sender and the retry command derive it
// alike through this one function.

#include <string>

#include "hunt/notify/channel.h"

namespace qorvex::hunt::notify {

// The lower-case hex SHA-256 of the channel's resolved text (its kind and
// every part with its environment references filled in).
std::string channel_key(const Channel& channel);

}  // namespace qorvex::hunt::notify
