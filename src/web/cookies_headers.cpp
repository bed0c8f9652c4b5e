#include "web/cookies_headers.h"

#include <unordered_set>

#include "web/text_ops.h"

namespace qorvex::web {

namespace {

constexpr std::string_view kDeletedSuffix = "=deleted";
constexpr std::string_view kCookieSeparator = "; ";

int length_of(std::string_view text) {
    return static_cast<int>(text.size());
}

}  // namespace

std::string header_name(std::string_view line) {
    const int colon = find_text(line, ":");
    return colon == kNotFound ? std::string() : trim_spaces(left_text(line, colon - 1));
}

std::string header_value(std::string_view line) {
    const int colon = find_text(line, ":");
    return colon == kNotFound ? std::string()
                              : trim_spaces(right_text(line, length_of(line) - colon));
}

std::string text_before(std::string_view text, std::string_view separator, int start,
                        bool ignore_case) {
    const int at = find_text(text, separator, start < 1 ? 1 : start, ignore_case);
    return at == kNotFound ? std::string() : left_text(text, at - 1);
}

std::string text_between(std::string_view text, std::string_view left, std::string_view right,
                         int start, bool ignore_case) {
    const std::string left_marker = replace_text(left, kQuoteMarker, "\"");
    const std::string right_marker = replace_text(right, kQuoteMarker, "\"");
    int begin = find_text(text, left_marker, start, ignore_case);
    if (begin == kNotFound) {
        return {};
    }
    begin += length_of(left_marker);
    const int end = find_text(text, right_marker, begin, ignore_case);
    if (end == kNotFound) {
        return {};
    }
    return middle_text(text, begin, end - begin);
}

std::string cookie_merge(std::string& sent, std::string& received) {
    sent = remove_spaces(sent);
    received = remove_spaces(received);
    const std::vector<std::string> sent_items = split_text(sent, ";");
    std::vector<std::string> merged = split_text(received, ";");
    for (const std::string& item : sent_items) {
        if (!cookie_list_has(merged, cookie_name(item))) {
            merged.push_back(item);
        }
    }
    sent.clear();
    for (const std::string& item : merged) {
        if (!item.ends_with(kDeletedSuffix)) {
            sent += item;
            sent += kCookieSeparator;
        }
    }
    if (!sent.empty()) {
        sent.resize(sent.size() - kCookieSeparator.size());
    }
    sent = dedupe_items(sent, kCookieSeparator, true);
    return sent;
}

std::string cookie_name(std::string_view item) {
    const int equals = find_text(item, "=");
    return trim_spaces(equals == kNotFound ? item : left_text(item, equals - 1));
}

bool cookie_list_has(const std::vector<std::string>& items, std::string_view name) {
    for (const std::string& item : items) {
        if (cookie_name(item) == name) {
            return true;
        }
    }
    return false;
}

std::string dedupe_items(std::string_view text, std::string_view delimiter,
                         bool split_on_delimiter) {
    const std::vector<std::string> items =
        split_on_delimiter ? split_text(text, delimiter) : split_chars(text);
    std::unordered_set<std::string_view> seen;
    std::string result;
    for (const std::string& item : items) {
        if (seen.insert(item).second) {
            result += item;
            result += delimiter;
        }
    }
    if (result.size() >= delimiter.size()) {
        result.resize(result.size() - delimiter.size());
    }
    return result;
}

std::vector<std::string> split_chars(std::string_view text) {
    std::vector<std::string> items;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t size = character_size(text, at);
        if (text.substr(at).starts_with("\r\n")) {
            size = 2;
        }
        items.emplace_back(text.substr(at, size));
        at += size;
    }
    return items;
}

int index_of_item(const std::vector<std::string>& items, std::string_view item) {
    for (std::size_t index = 0; index < items.size(); ++index) {
        if (items[index] == item) {
            return static_cast<int>(index) + 1;
        }
    }
    return kNotFound;
}

}  // namespace qorvex::web
