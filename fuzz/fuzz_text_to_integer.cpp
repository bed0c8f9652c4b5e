// text_to_integer on any bytes: it never fails, agrees with strtoll on short
// ASCII numbers, and reads full-width digits and signs as ASCII ones.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz_check.h"
#include "web/text_ops.h"

using qorvex::fuzz::require;
using namespace qorvex::web;

namespace {

// Full-width forms of the ASCII digits and signs, other bytes as they are.
std::string full_width(const std::string& text) {
    std::string wide;
    for (const char c : text) {
        if (c >= '0' && c <= '9') {
            wide += "\xEF\xBC";
            wide.push_back(static_cast<char>(0x90 + (c - '0')));
        } else if (c == '+') {
            wide += "\xEF\xBC\x8B";
        } else if (c == '-') {
            wide += "\xEF\xBC\x8D";
        } else {
            wide.push_back(c);
        }
    }
    return wide;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::int32_t value = text_to_integer(text);

    if (qorvex::fuzz::is_ascii(text) && text.find('\0') == std::string::npos) {
        require(text_to_integer(full_width(text)) == value);
        // Up to 18 digits fit in a long long; the 32-bit value is its low part.
        const std::size_t digits = text.find_first_not_of(" \t\n\v\f\r+-0123456789");
        if (text.substr(0, digits).size() <= 18) {
            const long long wide = std::strtoll(text.c_str(), nullptr, 10);
            require(value == static_cast<std::int32_t>(static_cast<std::uint32_t>(wide)));
        }
    }
    return 0;
}
