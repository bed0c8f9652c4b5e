#include <windows.h>

#include "web/clock.h"

namespace qorvex::web {

// Windows keeps the local wall clock itself: GetLocalTime, as the kernel
// hands it to every program, with the time zone and daylight saving applied.
LocalDateTime SystemClock::local_now() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    LocalDateTime local;
    local.year = now.wYear;
    local.month = now.wMonth;
    local.day = now.wDay;
    local.hour = now.wHour;
    local.minute = now.wMinute;
    local.second = now.wSecond;
    local.millisecond = now.wMilliseconds;
    return local;
}

}  // namespace qorvex::web
