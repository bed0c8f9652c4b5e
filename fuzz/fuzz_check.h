#pragma once

#include <cstdlib>
#include <string_view>

namespace qorvex::fuzz {

// Stops the run so that libFuzzer records the input as a finding.
inline void require(bool holds) {
    if (!holds) {
        std::abort();
    }
}

inline bool is_ascii(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

}  // namespace qorvex::fuzz
