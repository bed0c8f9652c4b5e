#include "web/text_ops.h"

#include <climits>

namespace qorvex::web {

namespace {

constexpr std::size_t kNoIndex = std::string_view::npos;
constexpr std::string_view kFullWidthSpace = "\xE3\x80\x80";

unsigned char byte_at(std::string_view text, std::size_t index) {
    return static_cast<unsigned char>(text[index]);
}

bool is_continuation(unsigned char byte) {
    return (byte & 0xC0U) == 0x80U;
}

char ascii_lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool matches_at(std::string_view text, std::string_view search, std::size_t index,
                bool ignore_case) {
    if (search.size() > text.size() - index) {
        return false;
    }
    for (std::size_t k = 0; k < search.size(); ++k) {
        const char a = text[index + k];
        const char b = search[k];
        if (ignore_case ? ascii_lower(a) != ascii_lower(b) : a != b) {
            return false;
        }
    }
    return true;
}

// A match that starts on a character must also end on one, or a search that
// ends with a lead byte would cut the character it matched into.
bool ends_on_boundary(std::string_view text, std::size_t index, std::size_t length) {
    std::size_t end = index;
    while (end < index + length) {
        end += character_size(text, end);
    }
    return end == index + length;
}

std::size_t first_boundary_from(std::string_view text, std::size_t index) {
    std::size_t at = 0;
    while (at < index && at < text.size()) {
        at += character_size(text, at);
    }
    return at;
}

std::size_t last_boundary_until(std::string_view text, std::size_t index) {
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t next = at + character_size(text, at);
        if (next > index) {
            break;
        }
        at = next;
    }
    return at;
}

// `from` must be a character boundary; the search must not be empty.
std::size_t find_from(std::string_view text, std::string_view search, std::size_t from,
                      bool ignore_case) {
    for (std::size_t at = from; at < text.size(); at += character_size(text, at)) {
        if (matches_at(text, search, at, ignore_case) &&
            ends_on_boundary(text, at, search.size())) {
            return at;
        }
    }
    return kNoIndex;
}

int position_of(std::size_t index) {
    return index >= static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(index) + 1;
}

std::size_t index_of(int position) {
    return position < 1 ? 0 : static_cast<std::size_t>(position) - 1;
}

bool space_at(std::string_view text, std::size_t index, std::size_t& size) {
    if (text[index] == ' ') {
        size = 1;
        return true;
    }
    if (text.substr(index).starts_with(kFullWidthSpace)) {
        size = kFullWidthSpace.size();
        return true;
    }
    return false;
}

}  // namespace

std::size_t character_size(std::string_view text, std::size_t index) {
    if (index >= text.size()) {
        return 0;
    }
    const unsigned char lead = byte_at(text, index);
    std::size_t wanted = 1;
    if (lead >= 0xF0 && lead <= 0xF7) {
        wanted = 4;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        wanted = 3;
    } else if (lead >= 0xC0 && lead <= 0xDF) {
        wanted = 2;
    }
    std::size_t size = 1;
    while (size < wanted && index + size < text.size() &&
           is_continuation(byte_at(text, index + size))) {
        ++size;
    }
    return size;
}

int find_text(std::string_view text, std::string_view search, int start, bool ignore_case) {
    if (search.empty()) {
        return text.empty() ? kNotFound : 1;
    }
    const std::size_t from = first_boundary_from(text, index_of(start));
    const std::size_t at = find_from(text, search, from, ignore_case);
    return at == kNoIndex ? kNotFound : position_of(at);
}

int find_text_backward(std::string_view text, std::string_view search, int start,
                       bool ignore_case) {
    if (search.empty()) {
        return text.empty() ? kNotFound : 1;
    }
    const std::size_t limit =
        (start < 1 || index_of(start) >= text.size()) ? text.size() : index_of(start);
    std::size_t last = kNoIndex;
    for (std::size_t at = find_from(text, search, 0, ignore_case); at != kNoIndex && at <= limit;
         at = find_from(text, search, at + character_size(text, at), ignore_case)) {
        last = at;
    }
    return last == kNoIndex ? kNotFound : position_of(last);
}

std::string left_text(std::string_view text, int n) {
    if (n <= 0) {
        return {};
    }
    return std::string(text.substr(0, last_boundary_until(text, static_cast<std::size_t>(n))));
}

std::string right_text(std::string_view text, int n) {
    if (n <= 0) {
        return {};
    }
    const auto count = static_cast<std::size_t>(n);
    const std::size_t begin =
        count >= text.size() ? 0 : first_boundary_from(text, text.size() - count);
    return std::string(text.substr(begin));
}

std::string middle_text(std::string_view text, int start, int n) {
    if (start < 1 || index_of(start) >= text.size() || n <= 0) {
        return {};
    }
    const std::size_t wanted_begin = index_of(start);
    const std::size_t begin = first_boundary_from(text, wanted_begin);
    const std::size_t wanted_end = wanted_begin + static_cast<std::size_t>(n);
    const std::size_t end =
        wanted_end >= text.size() ? text.size() : last_boundary_until(text, wanted_end);
    return end <= begin ? std::string() : std::string(text.substr(begin, end - begin));
}

std::string replace_text(std::string_view text, std::string_view search,
                         std::string_view replacement, int start, std::optional<int> count,
                         bool case_sensitive) {
    if (search.empty()) {
        return std::string(text);
    }
    int remaining = count.value_or(INT_MAX);
    std::size_t copied = 0;
    std::size_t at = first_boundary_from(text, index_of(start));
    std::string result;
    while (remaining > 0) {
        at = find_from(text, search, at, !case_sensitive);
        if (at == kNoIndex) {
            break;
        }
        result.append(text.substr(copied, at - copied));
        result.append(replacement);
        at += search.size();
        copied = at;
        --remaining;
    }
    result.append(text.substr(copied));
    return result;
}

std::vector<std::string> split_text(std::string_view text, std::string_view delimiter) {
    std::vector<std::string> pieces;
    if (text.empty()) {
        return pieces;
    }
    if (delimiter.empty()) {
        pieces.emplace_back(text);
        return pieces;
    }
    std::size_t begin = 0;
    for (std::size_t at = find_from(text, delimiter, 0, false); at != kNoIndex;
         at = find_from(text, delimiter, begin, false)) {
        pieces.emplace_back(text.substr(begin, at - begin));
        begin = at + delimiter.size();
    }
    if (begin < text.size()) {
        pieces.emplace_back(text.substr(begin));
    }
    return pieces;
}

std::string trim_spaces(std::string_view text) {
    std::size_t size = 0;
    while (!text.empty() && space_at(text, 0, size)) {
        text.remove_prefix(size);
    }
    while (!text.empty()) {
        if (text.back() == ' ') {
            text.remove_suffix(1);
        } else if (text.ends_with(kFullWidthSpace)) {
            text.remove_suffix(kFullWidthSpace.size());
        } else {
            break;
        }
    }
    return std::string(text);
}

std::string remove_spaces(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t size = 0;
        if (!space_at(text, at, size)) {
            size = character_size(text, at);
            result.append(text.substr(at, size));
        }
        at += size;
    }
    return result;
}

std::string lower_case(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        c = ascii_lower(c);
    }
    return result;
}

}  // namespace qorvex::web
