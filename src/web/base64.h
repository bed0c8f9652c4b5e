#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace qorvex::web {

// Standard base64 (RFC 4648 alphabet, "=" padding, no line breaks), used for
// the Basic credentials of a proxy.
std::string base64_encode(std::span<const std::uint8_t> bytes);
std::string base64_encode(std::string_view bytes);

}  // namespace qorvex::web
