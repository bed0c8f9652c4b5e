#include "regex/vbscript/thread_time.h"

#include <windows.h>

#include <cstdint>

#include "regex/processor_budget.h"

namespace qorvex::rx {

namespace {

// FILETIME counts in units of 100 ns.
std::chrono::nanoseconds from_filetime(const FILETIME& time) {
    const std::uint64_t units =
        (static_cast<std::uint64_t>(time.dwHighDateTime) << 32U) | time.dwLowDateTime;
    constexpr std::uint64_t kNanosecondsPerUnit = 100;
    return std::chrono::nanoseconds(units * kNanosecondsPerUnit);
}

}  // namespace

std::chrono::nanoseconds thread_processor_time(void* thread) {
    FILETIME created{};
    FILETIME exited{};
    FILETIME kernel{};
    FILETIME user{};
    if (thread == nullptr || GetThreadTimes(thread, &created, &exited, &kernel, &user) == 0) {
        // The wall clock stands in, which never runs slower.
        return steady_time();
    }
    return from_filetime(kernel) + from_filetime(user);
}

OwnThreadHandle::OwnThreadHandle() {
    // GetCurrentThread gives a pseudo handle that means "the calling thread"
    // wherever it is used; another thread needs a real one.
    HANDLE handle = nullptr;
    if (DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &handle,
                        THREAD_QUERY_LIMITED_INFORMATION, FALSE, 0) != 0) {
        m_handle = handle;
    }
}

OwnThreadHandle::~OwnThreadHandle() {
    if (m_handle != nullptr) {
        CloseHandle(m_handle);
    }
}

}  // namespace qorvex::rx
