#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qorvex::web {

// Reply and request bodies are counted bytes that may hold zero bytes.
using Bytes = std::vector<std::uint8_t>;

// The bytes up to (not including) the first zero byte, or all of them.
std::string text_of_bytes(const Bytes& bytes);

Bytes bytes_of_text(std::string_view text);

}  // namespace qorvex::web
