#include "web/time_stamp.h"

#include <algorithm>
#include <chrono>
#include <cstdint>

namespace qorvex::web {

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;
// The stamp counts from 08:00 local time on the epoch day.
constexpr std::int64_t kSecondsPerHour = 3600;
constexpr std::int64_t kSecondsPerMinute = 60;
constexpr std::int64_t kEpochHourOffsetSeconds = 8 * kSecondsPerHour;
constexpr std::size_t kStampDigits = 13;
constexpr std::size_t kSecondsDigits = 10;

std::int64_t seconds_since_stamp_epoch(const LocalDateTime& local) {
    using namespace std::chrono;
    const year_month_day date{year{local.year}, month{static_cast<unsigned>(local.month)},
                              day{static_cast<unsigned>(local.day)}};
    const std::int64_t days = sys_days{date}.time_since_epoch().count();
    return days * kSecondsPerDay + local.hour * kSecondsPerHour + local.minute * kSecondsPerMinute +
           local.second - kEpochHourOffsetSeconds;
}

std::string milliseconds_text(int milliseconds) {
    std::string digits = std::to_string(milliseconds);
    if (digits.size() < 3) {
        digits.insert(0, 3 - digits.size(), '0');
    }
    return digits;
}

}  // namespace

std::string time_stamp_text(Clock& clock, bool seconds_only) {
    // One reading serves both parts, so the milliseconds always belong to
    // the second in front of them.
    const LocalDateTime local = clock.local_now();
    // A clock set before the epoch would give a sign; the stamp stays digits.
    std::int64_t seconds = seconds_since_stamp_epoch(local);
    if (seconds < 0) {
        seconds = 0;
    }
    std::string text = std::to_string(seconds) + milliseconds_text(local.millisecond);
    if (seconds_only) {
        text.resize(std::min(text.size(), kSecondsDigits));
        text.resize(kSecondsDigits, '0');
    } else if (text.size() < kStampDigits) {
        text.resize(kStampDigits, '0');
    }
    return text;
}

}  // namespace qorvex::web
