// text_between on any bytes: a result is always part of the text, and on
// ASCII texts it agrees with a plain search.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "web/cookies_headers.h"

using qorvex::fuzz::is_ascii;
using qorvex::fuzz::require;
using namespace qorvex::web;

namespace {

std::string plain_between(const std::string& text, const std::string& left,
                          const std::string& right, int start) {
    const std::size_t from = start < 1 ? 0 : static_cast<std::size_t>(start - 1);
    if (from >= text.size()) {
        return {};
    }
    const std::size_t begin = text.find(left, from);
    if (begin == std::string::npos) {
        return {};
    }
    const std::size_t after = begin + left.size();
    const std::size_t end = text.find(right, after);
    return end == std::string::npos ? std::string() : text.substr(after, end - after);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const int start = input.ConsumeIntegralInRange<int>(-2, 200);
    const bool ignore_case = input.ConsumeBool();
    const std::string left = input.ConsumeRandomLengthString(12);
    const std::string right = input.ConsumeRandomLengthString(12);
    const std::string text = input.ConsumeRemainingBytesAsString();

    const std::string between = text_between(text, left, right, start, ignore_case);
    require(between.size() <= text.size());
    if (!between.empty()) {
        require(text.find(between) != std::string::npos);
    }
    const bool comparable = !left.empty() && !right.empty() && is_ascii(text) && is_ascii(left) &&
                            is_ascii(right) && left.find('#') == std::string::npos &&
                            right.find('#') == std::string::npos;
    if (comparable) {
        require(text_between(text, left, right, start) == plain_between(text, left, right, start));
    }
    return 0;
}
