#include "hunt/notify/channel_key.h"

#include <openssl/evp.h>

#include <stdexcept>

namespace qorvex::hunt::notify {

namespace {

// Each part is written with its length first, so that no two different
// channels write the same text however their parts are cut.
void append_part(std::string& text, std::string_view part) {
    text += std::to_string(part.size());
    text += ':';
    text += part;
}

std::string resolved_text(const Channel& channel) {
    std::string text;
    append_part(text, kind_name(channel.kind));
    append_part(text, channel.endpoint);
    for (const Header& header : channel.headers) {
        append_part(text, "header");
        append_part(text, header.name);
        append_part(text, header.value);
    }
    append_part(text, channel.target);
    append_part(text, channel.secret);
    for (const auto& [name, value] : channel.options) {
        append_part(text, "option");
        append_part(text, name);
        append_part(text, value);
    }
    append_part(text, channel.server);
    append_part(text, channel.user);
    append_part(text, channel.password);
    append_part(text, channel.from);
    for (const std::string& recipient : channel.recipients) {
        append_part(text, "to");
        append_part(text, recipient);
    }
    return text;
}

}  // namespace

std::string channel_key(const Channel& channel) {
    const std::string text = resolved_text(channel);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(text.data(), text.size(), digest, &length, EVP_sha256(), nullptr) != 1) {
        throw std::runtime_error("SHA-256 failed in libcrypto");
    }
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(std::size_t(length) * 2);
    for (unsigned int i = 0; i < length; ++i) {
        hex += kHex[digest[i] >> 4];
        hex += kHex[digest[i] & 0x0f];
    }
    return hex;
}

}  // namespace qorvex::hunt::notify
