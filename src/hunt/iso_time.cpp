#include "hunt/iso_time.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <ctime>

namespace qorvex::hunt {

namespace {

using namespace std::chrono;

constexpr TimeMs kMsPerSecond = 1000;
constexpr TimeMs kMsPerMinute = 60 * kMsPerSecond;
constexpr TimeMs kMsPerHour = 60 * kMsPerMinute;

// Reads exactly `width` digits at `at`.
std::optional<int> digits(std::string_view text, std::size_t& at, std::size_t width) {
    if (at + width > text.size()) {
        return std::nullopt;
    }
    int value = 0;
    for (std::size_t i = 0; i < width; ++i) {
        const char c = text[at + i];
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    at += width;
    return value;
}

bool take(std::string_view text, std::size_t& at, char c) {
    if (at < text.size() && text[at] == c) {
        ++at;
        return true;
    }
    return false;
}

// The offset of local time from UTC at the given local moment, in ms.
std::optional<TimeMs> local_offset(const year_month_day& date, TimeMs ms_of_day) {
    std::tm local{};
    local.tm_year = int(date.year()) - 1900;
    local.tm_mon = int(unsigned(date.month())) - 1;
    local.tm_mday = int(unsigned(date.day()));
    local.tm_sec = int(ms_of_day / kMsPerSecond);
    local.tm_isdst = -1;
    const std::time_t seconds = std::mktime(&local);
    if (seconds == std::time_t(-1)) {
        return std::nullopt;
    }
    const TimeMs as_utc = duration_cast<milliseconds>(sys_days(date).time_since_epoch()).count() +
                          (ms_of_day / kMsPerSecond) * kMsPerSecond;
    return as_utc - TimeMs(seconds) * kMsPerSecond;
}

}  // namespace

std::string iso_time_text(TimeMs time) {
    const sys_time<milliseconds> moment{milliseconds(time)};
    const auto day = floor<days>(moment);
    const year_month_day date{day};
    const hh_mm_ss clock{moment - day};
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d.%03dZ", int(date.year()),
                  unsigned(date.month()), unsigned(date.day()), int(clock.hours().count()),
                  int(clock.minutes().count()), int(clock.seconds().count()),
                  int(clock.subseconds().count()));
    return text;
}

std::optional<TimeMs> parse_iso_time(std::string_view text) {
    std::size_t at = 0;
    const auto y = digits(text, at, 4);
    const bool dash1 = take(text, at, '-');
    const auto mo = digits(text, at, 2);
    const bool dash2 = take(text, at, '-');
    const auto d = digits(text, at, 2);
    if (!y || !dash1 || !mo || !dash2 || !d) {
        return std::nullopt;
    }
    const year_month_day date{year(*y), month(unsigned(*mo)), day(unsigned(*d))};
    if (!date.ok()) {
        return std::nullopt;
    }
    TimeMs ms_of_day = 0;
    if (take(text, at, 'T') || take(text, at, ' ')) {
        const auto h = digits(text, at, 2);
        const bool colon = take(text, at, ':');
        const auto mi = digits(text, at, 2);
        if (!h || !colon || !mi || *h > 23 || *mi > 59) {
            return std::nullopt;
        }
        ms_of_day = *h * kMsPerHour + *mi * kMsPerMinute;
        if (take(text, at, ':')) {
            const auto s = digits(text, at, 2);
            if (!s || *s > 59) {
                return std::nullopt;
            }
            ms_of_day += *s * kMsPerSecond;
            if (take(text, at, '.') || take(text, at, ',')) {
                TimeMs scale = 100;
                const std::size_t start = at;
                while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
                    ms_of_day += (text[at] - '0') * scale;
                    scale /= 10;
                    ++at;
                }
                if (at == start) {
                    return std::nullopt;
                }
            }
        }
    }
    const TimeMs as_utc =
        duration_cast<milliseconds>(sys_days(date).time_since_epoch()).count() + ms_of_day;
    if (at == text.size()) {
        const auto offset = local_offset(date, ms_of_day);
        return offset ? std::optional(as_utc - *offset) : std::nullopt;
    }
    if (take(text, at, 'Z')) {
        return at == text.size() ? std::optional(as_utc) : std::nullopt;
    }
    const bool east = take(text, at, '+');
    if (!east && !take(text, at, '-')) {
        return std::nullopt;
    }
    const auto oh = digits(text, at, 2);
    take(text, at, ':');
    auto om = std::optional<int>(0);
    if (at < text.size()) {
        om = digits(text, at, 2);
    }
    if (!oh || !om || at != text.size() || *oh > 23 || *om > 59) {
        return std::nullopt;
    }
    const TimeMs offset = *oh * kMsPerHour + *om * kMsPerMinute;
    return as_utc - (east ? offset : -offset);
}

}  // namespace qorvex::hunt
