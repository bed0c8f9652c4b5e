#include "hunt_cli/status_layout.h"

#include <algorithm>

namespace qorvex::hunt_cli {

namespace {

constexpr std::string_view kGap = "  ";
constexpr std::string_view kIndent = "  ";

// The East Asian Wide and Fullwidth blocks, as terminals draw them.
bool wide(char32_t c) {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) ||
           (c >= 0x3041 && c <= 0x33FF) || (c >= 0x3400 && c <= 0x4DBF) ||
           (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
           (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

}  // namespace

int display_width(std::string_view text) {
    int columns = 0;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        char32_t c = length == 1 ? lead : lead & (0x3FU >> (length - 1));
        for (std::size_t k = 1; k < length && i + k < text.size(); ++k) {
            c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3FU);
        }
        columns += wide(c) ? 2 : 1;
        i += length;
    }
    return columns;
}

namespace {

std::vector<std::string> pack(const std::vector<std::string>& fields, std::string_view gap,
                              int width) {
    std::vector<std::string> rows;
    int used = 0;
    for (const auto& field : fields) {
        const int columns = display_width(field);
        if (!rows.empty() && used + int(gap.size()) + columns <= width) {
            rows.back() += std::string(gap) + field;
            used += int(gap.size()) + columns;
            continue;
        }
        const std::string_view lead = rows.empty() ? "" : kIndent;
        rows.push_back(std::string(lead) + field);
        used = int(lead.size()) + columns;
    }
    return rows;
}

}  // namespace

std::vector<std::string> fit_fields(const std::vector<std::string>& fields, int width) {
    return pack(fields, kGap, width);
}

std::vector<std::string> wrap_words(const std::string& text, int width) {
    std::vector<std::string> words;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find(' ', start), text.size());
        if (end > start) {
            words.push_back(text.substr(start, end - start));
        }
        start = end + 1;
    }
    return pack(words, " ", width);
}

}  // namespace qorvex::hunt_cli
