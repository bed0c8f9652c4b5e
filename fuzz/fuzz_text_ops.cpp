// The shared text operations on any bytes: every walk ends, results stay
// inside the text, and the operations agree with each other.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "web/text_ops.h"

namespace {

using qorvex::fuzz::require;
using namespace qorvex::web;

constexpr std::string_view kFullWidthSpace = "\xE3\x80\x80";

bool same_ignoring_case(std::string_view a, std::string_view b) {
    return lower_case(a) == lower_case(b);
}

void check_find(const std::string& text, const std::string& search, int start, bool ignore_case) {
    const int forward = find_text(text, search, start, ignore_case);
    const int backward = find_text_backward(text, search, start, ignore_case);
    for (const int at : {forward, backward}) {
        if (at == kNotFound || search.empty()) {
            continue;
        }
        require(at >= 1 && static_cast<std::size_t>(at - 1) + search.size() <= text.size());
        const std::string_view found =
            std::string_view(text).substr(static_cast<std::size_t>(at - 1), search.size());
        require(ignore_case ? same_ignoring_case(found, search) : found == search);
    }
    if (forward != kNotFound && !search.empty() && start >= 1) {
        require(forward >= start);
    }
}

void check_cuts(const std::string& text, int start, int count) {
    const std::string left = left_text(text, count);
    const std::string right = right_text(text, count);
    const std::string middle = middle_text(text, start, count);
    const std::size_t limit = count > 0 ? static_cast<std::size_t>(count) : 0;
    require(left.size() <= limit && text.starts_with(left));
    require(right.size() <= limit && text.ends_with(right));
    require(middle.size() <= limit);
    if (!middle.empty()) {
        require(text.find(middle, static_cast<std::size_t>(start - 1)) != std::string::npos);
    }
}

void check_replace_and_split(const std::string& text, const std::string& search,
                             const std::string& replacement, int start, int count) {
    require(replace_text(text, search, search, start) == text);
    const std::string replaced = replace_text(text, search, replacement, start, count, false);
    if (search.empty() || count <= 0) {
        require(replaced == text);
    }
    const std::vector<std::string> pieces = split_text(text, search);
    if (text.empty()) {
        require(pieces.empty());
        return;
    }
    std::string joined;
    for (std::size_t index = 0; index < pieces.size(); ++index) {
        joined += (index == 0 ? "" : search) + pieces[index];
    }
    require(joined == text || joined + search == text);
}

void check_spaces(const std::string& text) {
    const std::string trimmed = trim_spaces(text);
    require(text.find(trimmed) != std::string::npos);
    require(!trimmed.starts_with(' ') && !trimmed.ends_with(' '));
    require(!trimmed.starts_with(kFullWidthSpace) && !trimmed.ends_with(kFullWidthSpace));
    const std::string removed = remove_spaces(text);
    require(removed.size() <= text.size() && removed.find(' ') == std::string::npos);
    const std::string lower = lower_case(text);
    require(lower.size() == text.size());
    for (const char c : lower) {
        require(c < 'A' || c > 'Z');
    }
    std::size_t walked = 0;
    while (walked < text.size()) {
        const std::size_t size = character_size(text, walked);
        require(size >= 1 && size <= 4);
        walked += size;
    }
    require(walked == text.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const int start = input.ConsumeIntegralInRange<int>(-4, 300);
    const int count = input.ConsumeIntegralInRange<int>(-4, 300);
    const bool ignore_case = input.ConsumeBool();
    const std::string search = input.ConsumeRandomLengthString(16);
    const std::string replacement = input.ConsumeRandomLengthString(16);
    const std::string text = input.ConsumeRemainingBytesAsString();

    check_find(text, search, start, ignore_case);
    check_cuts(text, start, count);
    check_replace_and_split(text, search, replacement, start, count);
    check_spaces(text);
    return 0;
}
