#include "web/gbk_text.h"

#include <cstddef>

namespace qorvex::web {

namespace {

// The lowest code point each sequence length may carry; below it the form
// is overlong.
constexpr char32_t kLowestOfLength[] = {0, 0, 0x80, 0x800, 0x10000};
constexpr char32_t kHighestCodePoint = 0x10FFFF;
constexpr char32_t kSurrogatesBegin = 0xD800;
constexpr char32_t kSurrogatesEnd = 0xDFFF;

std::size_t sequence_length(unsigned char lead) {
    if (lead < 0x80U) {
        return 1;
    }
    if ((lead & 0xE0U) == 0xC0U) {
        return 2;
    }
    if ((lead & 0xF0U) == 0xE0U) {
        return 3;
    }
    if ((lead & 0xF8U) == 0xF0U) {
        return 4;
    }
    return 0;
}

}  // namespace

bool is_valid_utf8(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size()) {
        const auto lead = static_cast<unsigned char>(text[at]);
        const std::size_t length = sequence_length(lead);
        if (length == 0 || text.size() - at < length) {
            return false;
        }
        char32_t code = length == 1 ? lead : lead & (0x7FU >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[at + k]);
            if ((next & 0xC0U) != 0x80U) {
                return false;
            }
            code = (code << 6U) | (next & 0x3FU);
        }
        if (code < kLowestOfLength[length] || code > kHighestCodePoint ||
            (code >= kSurrogatesBegin && code <= kSurrogatesEnd)) {
            return false;
        }
        at += length;
    }
    return true;
}

std::string utf8_of_gbk(std::string_view text) {
    return is_valid_utf8(text) ? std::string(text) : decode_gbk(text);
}

}  // namespace qorvex::web
