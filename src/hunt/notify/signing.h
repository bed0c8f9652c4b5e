#pragma once

// The signatures that DingTalk's and Feishu's group bots ask for in signed
// mode, and the Base64 they are written in. Both are HMAC-SHA256 from
// OpenSSL's libcrypto over the time stamp and the secret, arranged
// differently by each service:
//   DingTalk: key = secret, data = "<ms since 1970>\n<secret>"; the Base64
//             text goes percent-encoded into the URL's "sign" parameter.
//   Feishu:   key = "<s since 1970>\n<secret>", data = nothing; the Base64
//             text goes into the body's "sign" field.

#include <cstdint>
#include <string>
#include <string_view>

namespace qorvex::hunt::notify {

std::string base64_encode(std::string_view bytes);

// The raw 32 bytes of HMAC-SHA256(key, data).
std::string hmac_sha256(std::string_view key, std::string_view data);

std::string dingtalk_signature(std::string_view secret, std::int64_t timestamp_ms);

std::string feishu_signature(std::string_view secret, std::int64_t timestamp_s);

}  // namespace qorvex::hunt::notify
