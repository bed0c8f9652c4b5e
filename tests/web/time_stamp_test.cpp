#include "web/time_stamp.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "web/clock.h"

namespace qorvex::web {
namespace {

class FixedClock final : public Clock {
public:
    explicit FixedClock(LocalDateTime moment) : m_moment(moment) {}
    LocalDateTime local_now() override { return m_moment; }

private:
    LocalDateTime m_moment;
};

struct StampRow {
    const char* label;
    LocalDateTime local;
    bool seconds_only;
    std::string expected;
};

TEST(TimeStamp, CountsFromEightOClockOnTheEpochDay) {
    const std::vector<StampRow> rows = {
        {"one day in, padded on the right", {1970, 1, 2, 8, 0, 0, 5}, false, "8640000500000"},
        {"milliseconds padded to three digits", {2019, 4, 23, 12, 0, 0, 7}, false, "1555992000007"},
        {"three-digit milliseconds", {2019, 4, 23, 12, 0, 0, 123}, false, "1555992000123"},
        {"seconds only cuts to ten digits", {2019, 4, 23, 12, 0, 0, 123}, true, "1555992000"},
        {"seconds only pads to ten digits", {1970, 1, 2, 8, 0, 0, 5}, true, "8640000500"},
        {"leap day", {2020, 2, 29, 8, 0, 0, 0}, false, "1582934400000"},
        {"a clock before the epoch gives no sign",
         {1970, 1, 1, 7, 0, 0, 0},
         false,
         "0000000000000"},
    };
    for (const StampRow& row : rows) {
        FixedClock clock(row.local);
        EXPECT_EQ(time_stamp_text(clock, row.seconds_only), row.expected) << row.label;
    }
}

TEST(TimeStamp, SystemClockReadsTheLocalClockAsUtcPlusEight) {
    SystemClock clock;
    const std::time_t before = std::time(nullptr);
    const std::string stamp = time_stamp_text(clock);
    std::tm local{};
#ifdef _WIN32
    // The Windows C run-time has no tm_gmtoff: the local clock's offset is its
    // broken-down time read back as UTC, less the moment itself.
    localtime_s(&local, &before);
    const long local_offset = static_cast<long>(_mkgmtime(&local) - before);
#else
    localtime_r(&before, &local);
    const long local_offset = local.tm_gmtoff;
#endif
    constexpr long kUtcPlusEight = 8 * 3600;
    if (local_offset == 0 || local_offset == kUtcPlusEight) {
        GTEST_SKIP() << "the local time zone is UTC or UTC+8, where a clock read wrongly "
                        "looks right (ctest runs this test with TZ=IST-5:30)";
    }
    const long expected_seconds = static_cast<long>(before) + local_offset - kUtcPlusEight;

    ASSERT_EQ(stamp.size(), 13U);
    EXPECT_EQ(stamp.find_first_not_of("0123456789"), std::string::npos);
    const long seconds = std::atol(stamp.substr(0, 10).c_str());
    EXPECT_LE(std::labs(seconds - expected_seconds), 2L);
}

}  // namespace
}  // namespace qorvex::web
