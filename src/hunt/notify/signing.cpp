#include "hunt/notify/signing.h"

#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <stdexcept>

namespace qorvex::hunt::notify {

std::string base64_encode(std::string_view bytes) {
    // EVP_EncodeBlock writes 4 characters per 3 bytes and a terminating NUL.
    std::string text(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    const int written =
        EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()),
                        reinterpret_cast<const unsigned char*>(bytes.data()), int(bytes.size()));
    text.resize(std::size_t(written));
    return text;
}

std::string hmac_sha256(std::string_view key, std::string_view data) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    // An empty key or message is valid HMAC input; OpenSSL wants a non-null pointer for it.
    static const unsigned char kNothing = 0;
    const auto* key_bytes =
        key.empty() ? &kNothing : reinterpret_cast<const unsigned char*>(key.data());
    const auto* data_bytes =
        data.empty() ? &kNothing : reinterpret_cast<const unsigned char*>(data.data());
    if (HMAC(EVP_sha256(), key_bytes, int(key.size()), data_bytes, data.size(), digest, &length) ==
        nullptr) {
        throw std::runtime_error("HMAC-SHA256 failed in libcrypto");
    }
    return std::string(reinterpret_cast<const char*>(digest), length);
}

std::string dingtalk_signature(std::string_view secret, std::int64_t timestamp_ms) {
    const std::string string_to_sign = std::to_string(timestamp_ms) + "\n" + std::string(secret);
    return base64_encode(hmac_sha256(secret, string_to_sign));
}

std::string feishu_signature(std::string_view secret, std::int64_t timestamp_s) {
    const std::string key = std::to_string(timestamp_s) + "\n" + std::string(secret);
    return base64_encode(hmac_sha256(key, {}));
}

}  // namespace qorvex::hunt::notify
