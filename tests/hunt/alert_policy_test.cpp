#include "hunt/alert_policy.h"

#include <gtest/gtest.h>

#include "hunt/class_names.h"
#include "regex/platform_engine.h"
#include "scan/pattern_classes.h"

namespace qorvex::hunt {
namespace {

TEST(AlertPolicy, EveryCaptionOfTheWindowIsAccepted) {
    const auto engine = rx::make_platform_engine();
    std::vector<std::string> captions;
    for (const auto& pattern_class : scan::pattern_classes()) {
        captions.emplace_back(pattern_class.caption);
    }
    const auto parsed = make_alert_policy(captions, std::nullopt, *engine);
    ASSERT_TRUE(parsed.policy) << parsed.error;
    EXPECT_EQ(parsed.policy->classes, (1U << 14) - 1);
    EXPECT_EQ(class_list(parsed.policy->classes & 0b1000000001), "AAA,尾4A/AB/3-1");
}

TEST(AlertPolicy, RefusalsNameWhatIsWrong) {
    const auto engine = rx::make_platform_engine();
    const struct {
        const char* label;
        std::vector<std::string> captions;
        std::optional<std::string> pattern;
        const char* message_holds;
    } cases[] = {
        {"unknown class lists the classes", {"AAAA"}, std::nullopt, "尾ABCABC"},
        {"the custom class comes from the pattern only",
         {"自定义匹配"},
         std::nullopt,
         "unknown class"},
        {"a pattern the engine rejects", {}, std::string("88("), "not a pattern"},
        {"an empty pattern", {}, std::string(""), "empty"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.label);
        const auto parsed = make_alert_policy(row.captions, row.pattern, *engine);
        EXPECT_FALSE(parsed.policy);
        EXPECT_NE(parsed.error.find(row.message_holds), std::string::npos) << parsed.error;
    }
}

TEST(AlertPolicy, PatternBecomesTheCustomClass) {
    const auto engine = rx::make_platform_engine();
    const auto parsed = make_alert_policy({{"aaa"}}, std::string("520"), *engine);
    ASSERT_TRUE(parsed.policy);
    EXPECT_EQ(parsed.policy->classes, (1U << kCustomClassBit) | 1U);
    EXPECT_EQ(parsed.policy->custom_text, "520");
}

}  // namespace
}  // namespace qorvex::hunt
