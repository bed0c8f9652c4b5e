#include "hunt/iso_time.h"

#include <gtest/gtest.h>

namespace qorvex::hunt {
namespace {

constexpr TimeMs kMoment = 1'765'232'010'123;  // 2025-12-08T22:13:30.123Z

TEST(IsoTime, PrintedInUtcWithMilliseconds) {
    EXPECT_EQ(iso_time_text(kMoment), "2025-12-08T22:13:30.123Z");
    EXPECT_EQ(iso_time_text(0), "1970-01-01T00:00:00.000Z");
}

TEST(IsoTime, AcceptedForms) {
    const struct {
        const char* label;
        const char* text;
        std::optional<TimeMs> time;
    } cases[] = {
        {"UTC with fraction", "2025-12-08T22:13:30.123Z", kMoment},
        {"space for T", "2025-12-08 22:13:30.123Z", kMoment},
        {"east offset with colon", "2025-12-09T06:13:30.123+08:00", kMoment},
        {"offset without colon", "2025-12-09T06:13:30.123+0800", kMoment},
        {"west offset, hours only", "2025-12-08T17:13:30.123-05", kMoment},
        {"minutes only", "2025-12-08T22:13Z", kMoment - 30'123},
        {"comma fraction", "2025-12-08T22:13:30,5Z", kMoment - 123 + 500},
        {"no such day", "2025-02-30", std::nullopt},
        {"hour 24", "2025-12-08T24:00Z", std::nullopt},
        {"trailing text", "2025-12-08T22:13Zx", std::nullopt},
        {"not a date", "yesterday", std::nullopt},
        {"short year", "25-12-08", std::nullopt},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(parse_iso_time(row.text), row.time);
    }
}

TEST(IsoTime, PlainDateIsLocalMidnight) {
    const auto date = parse_iso_time("2025-12-08");
    const auto time = parse_iso_time("2025-12-08T00:00:00");
    ASSERT_TRUE(date);
    EXPECT_EQ(date, time);
    // Within a day of UTC midnight, whatever the zone.
    EXPECT_LE(std::abs(*date - parse_iso_time("2025-12-08T00:00Z").value()), 14 * 3'600'000);
}

}  // namespace
}  // namespace qorvex::hunt
