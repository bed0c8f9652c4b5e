#include "scan/scan_interval.h"

#include <cstddef>
#include <cstdint>
#include <string>

#include "scan/number_value.h"

namespace qorvex::scan {
namespace {

constexpr std::size_t kMillisecondDigits = 3;
constexpr std::string_view kWhiteSpace = " \t\n\r\v\f";

bool starts_negative(std::string_view text) {
    for (std::size_t index = 0; index < text.size();) {
        const Symbol symbol = symbol_at(text, index);
        if (symbol.ascii == 0 || kWhiteSpace.find(symbol.ascii) == std::string_view::npos) {
            return symbol.ascii == '-';
        }
        index += symbol.size;
    }
    return false;
}

}  // namespace

int timer_period_ms(std::string_view seconds_text) {
    NumberValue seconds;
    std::size_t index = read_number_value(seconds_text, seconds);
    if (starts_negative(seconds_text)) {
        return 0;
    }
    std::string milliseconds;
    if (index < seconds_text.size() && symbol_at(seconds_text, index).ascii == '.') {
        index += symbol_at(seconds_text, index).size;
        while (index < seconds_text.size() && milliseconds.size() < kMillisecondDigits) {
            const Symbol symbol = symbol_at(seconds_text, index);
            if (!is_ascii_digit(symbol.ascii)) {
                break;
            }
            milliseconds.push_back(symbol.ascii);
            index += symbol.size;
        }
    }
    milliseconds.resize(kMillisecondDigits, '0');

    std::int64_t total = 0;
    for (const char digit : seconds.digits + milliseconds) {
        total = total * 10 + (digit - '0');
        if (total > kLargestTimerPeriodMs) {
            return kLargestTimerPeriodMs;
        }
    }
    return static_cast<int>(total);
}

}  // namespace qorvex::scan
