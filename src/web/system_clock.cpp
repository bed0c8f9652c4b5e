#include <chrono>
#include <ctime>

#include "web/clock.h"

namespace qorvex::web {

LocalDateTime SystemClock::local_now() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const auto whole_seconds = floor<seconds>(now);
    const std::time_t stamp = system_clock::to_time_t(whole_seconds);
    std::tm parts{};
    localtime_r(&stamp, &parts);
    LocalDateTime local;
    local.year = parts.tm_year + 1900;
    local.month = parts.tm_mon + 1;
    local.day = parts.tm_mday;
    local.hour = parts.tm_hour;
    local.minute = parts.tm_min;
    local.second = parts.tm_sec;
    local.millisecond = static_cast<int>(duration_cast<milliseconds>(now - whole_seconds).count());
    return local;
}

}  // namespace qorvex::web
