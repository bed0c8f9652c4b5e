#include "web/bytes.h"

#include <algorithm>

namespace qorvex::web {

std::string text_of_bytes(const Bytes& bytes) {
    const auto end = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
    return std::string(bytes.begin(), end);
}

Bytes bytes_of_text(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

}  // namespace qorvex::web
