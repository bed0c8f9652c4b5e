#pragma once

// Keeps a channel's secrets out of everything the hunter prints or stores:
// a service's answer or error may quote the token it refused, and an error
// text goes to the terminal, the history and `report`.

#include <set>
#include <string>

#include "hunt/notify/channel.h"

namespace qorvex::hunt::notify {

// Every value in the channel that could be a secret: what the environment
// gave it, the signing secret, the password, header values, an ntfy topic
// or a Bark device key, and the key or token its endpoint carries.
std::set<std::string> channel_secrets(const Channel& channel,
                                      const std::set<std::string>& from_environment);

// `text` with every occurrence of each secret replaced by "***". Secrets
// shorter than a few characters are left: masking every "1" of a one-digit
// password would hide the text, not the secret.
std::string mask_secrets(std::string text, const std::set<std::string>& secrets);

}  // namespace qorvex::hunt::notify
