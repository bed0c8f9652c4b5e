#include "hunt/target.h"

#include <gtest/gtest.h>

namespace qorvex::hunt {
namespace {

struct ValidCase {
    const char* label;
    const char* text;
    const char* stored_label;
    int card_row;
    const char* province_code;
    const char* group_key;
};

TEST(Target, NamesOfTheWindowGiveTheRegionCodes) {
    const ValidCase cases[] = {
        {"caption", "Tavikmax/广东/深圳", "Tavikmax/广东/深圳", 0, "51", "21236872"},
        {"row number", "1/北京/北京", "星河梦想e卡/北京/北京", 1, "11", "7200310618"},
        {"city named with slashes", "0/湖北/仙桃/潜江/天门", "Tavikmax/湖北/仙桃/潜江/天门", 0,
         "71", "40236873"},
        {"caption in another case", "TAVIKMAX/北京/北京", "Tavikmax/北京/北京", 0, "11",
         "85236889"},
        {"second offer by caption", "星河梦想e卡/广东/深圳", "星河梦想e卡/广东/深圳", 1, "51",
         "21236872"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.label);
        const auto parsed = parse_target(row.text);
        ASSERT_TRUE(parsed.target) << parsed.error;
        EXPECT_EQ(parsed.target->label, row.stored_label);
        EXPECT_EQ(parsed.target->card_row, row.card_row);
        EXPECT_EQ(parsed.target->codes.province_code, row.province_code);
        EXPECT_EQ(parsed.target->codes.group_key, row.group_key);
        EXPECT_EQ(parsed.target->codes.city_code.size(), 3U);
    }
}

struct RefusedCase {
    const char* label;
    const char* text;
    const char* message_holds;
};

TEST(Target, WrongNamesAreRefusedWithTheNearestValidNames) {
    const RefusedCase cases[] = {
        {"misspelt card", "Tavikmix/广东/深圳", "nearest: Tavikmax"},
        {"card without a pool", "2/广东/深圳", "has no number pool"},
        {"province off by one character", "Tavikmax/广冬/深圳", "nearest: 广东"},
        {"city of another province", "Tavikmax/广东/北京", "unknown city of 广东"},
        {"city suggestions come from the province", "Tavikmax/广东/深训", "nearest: 深圳"},
        {"two parts only", "Tavikmax/广东", "CARD/PROVINCE/CITY"},
        {"slashes beyond the city", "Tavikmax/广东/深圳/x", "unknown city of 广东"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.label);
        const auto parsed = parse_target(row.text);
        EXPECT_FALSE(parsed.target);
        EXPECT_NE(parsed.error.find(row.message_holds), std::string::npos) << parsed.error;
    }
}

}  // namespace
}  // namespace qorvex::hunt
