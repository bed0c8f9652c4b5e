#include "hunt/reply_reading.h"

#include <gtest/gtest.h>

#include "regex/platform_engine.h"

namespace qorvex::hunt {
namespace {

ClassMask bit(int class_number) {
    return ClassMask(1U << unsigned(class_number - 1));
}

TEST(ReplyReading, OutcomeOfEachKindOfReply) {
    const auto engine = rx::make_platform_engine();
    const std::string gbk_refusal = "<p>\xB7\xC3\xCE\xCA\xC8\xCB\xCA\xFD\xB9\xFD\xB6\xE0</p>";
    const struct {
        const char* label;
        int status;
        std::string body;
        CycleOutcome outcome;
    } cases[] = {
        {"nothing came back", 0, "", CycleOutcome::Failed},
        {"overrun service", 503, "<html>503</html>", CycleOutcome::RateLimited},
        {"the refusal page in GBK, status 200", 200, gbk_refusal, CycleOutcome::RateLimited},
        {"another status", 404, "not found", CycleOutcome::Failed},
        {"a reply without numbers is empty, not a ban", 200, "jsonp({\"numArray\":[]});",
         CycleOutcome::Empty},
        {"numbers", 200, "jsonp({\"num\":13012345678});", CycleOutcome::Numbers},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.label);
        const auto reading = read_reply(*engine, row.status, row.body, "");
        EXPECT_EQ(reading.outcome, row.outcome);
        EXPECT_EQ(reading.error.empty(),
                  row.outcome == CycleOutcome::Numbers || row.outcome == CycleOutcome::Empty);
    }
}

TEST(ReplyReading, EachNumberOnceWithTheWindowsClasses) {
    const auto engine = rx::make_platform_engine();
    const std::string body =
        "{\"num\":13088881234},{\"num\":13012345678},{\"num\":13088881234},{\"num\":13000000688}";
    const auto reading = read_reply(*engine, 200, body, "688");
    EXPECT_EQ(reading.numbers_in_reply, 4);
    ASSERT_EQ(reading.sightings.size(), 3U);
    EXPECT_EQ(reading.sightings[0].number, 13088881234);
    EXPECT_EQ(reading.sightings[0].classes, bit(1) | bit(2) | bit(4) | bit(8) | bit(12));
    EXPECT_EQ(reading.sightings[1].classes, bit(8) | bit(9) | bit(12));
    EXPECT_NE(reading.sightings[2].classes & (1U << kCustomClassBit), 0U) << "custom pattern 688";
    EXPECT_EQ(reading.sightings[1].classes & (1U << kCustomClassBit), 0U);

    const auto without_custom = read_reply(*engine, 200, body, "");
    EXPECT_EQ(without_custom.sightings[2].classes & (1U << kCustomClassBit), 0U)
        << "no pattern of the hunt's own: the custom class stays empty";
}

}  // namespace
}  // namespace qorvex::hunt
