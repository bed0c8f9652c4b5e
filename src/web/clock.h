#pragma once

namespace qorvex::web {

// A reading of the machine's local wall clock, as the user sees it.
struct LocalDateTime {
    int year = 1970;
    int month = 1;  // 1..12
    int day = 1;    // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;  // 0..999
};

// The local wall clock, passed in so that time stamps can be tested at a
// fixed moment. Implementations may be called from several threads.
class Clock {
public:
    virtual ~Clock() = default;
    virtual LocalDateTime local_now() = 0;
};

// The machine's own clock in its own time zone.
class SystemClock final : public Clock {
public:
    LocalDateTime local_now() override;
};

}  // namespace qorvex::web
