#include "web/base64.h"

namespace qorvex::web {

namespace {

constexpr std::string_view kAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

}  // namespace

std::string base64_encode(std::span<const std::uint8_t> bytes) {
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t at = 0;
    for (; at + 3 <= bytes.size(); at += 3) {
        const std::uint32_t group = (std::uint32_t{bytes[at]} << 16U) |
                                    (std::uint32_t{bytes[at + 1]} << 8U) | bytes[at + 2];
        text.push_back(kAlphabet[(group >> 18U) & 63U]);
        text.push_back(kAlphabet[(group >> 12U) & 63U]);
        text.push_back(kAlphabet[(group >> 6U) & 63U]);
        text.push_back(kAlphabet[group & 63U]);
    }
    const std::size_t rest = bytes.size() - at;
    if (rest > 0) {
        std::uint32_t group = std::uint32_t{bytes[at]} << 16U;
        if (rest == 2) {
            group |= std::uint32_t{bytes[at + 1]} << 8U;
        }
        text.push_back(kAlphabet[(group >> 18U) & 63U]);
        text.push_back(kAlphabet[(group >> 12U) & 63U]);
        text.push_back(rest == 2 ? kAlphabet[(group >> 6U) & 63U] : '=');
        text.push_back('=');
    }
    return text;
}

std::string base64_encode(std::string_view bytes) {
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    return base64_encode(std::span<const std::uint8_t>(data, bytes.size()));
}

}  // namespace qorvex::web
