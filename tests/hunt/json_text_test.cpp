#include "hunt_cli/json_text.h"

#include <gtest/gtest.h>

namespace qorvex::hunt_cli {
namespace {

TEST(JsonText, OneEscapedObjectPerLine) {
    const struct {
        const char* label;
        std::string value;
        const char* line;
    } cases[] = {
        {"quote and backslash", "a\"b\\c", R"({"v":"a\"b\\c"})"},
        {"line ends and control bytes", "a\r\nb\x01", R"({"v":"a\r\nb\u0001"})"},
        {"Chinese stays UTF-8", "广东/深圳", R"({"v":"广东/深圳"})"},
        {"bytes that are not UTF-8 are replaced", "a\xff", "{\"v\":\"a\xEF\xBF\xBD\"}"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(json_line({{"v", row.value}}), std::string(row.line) + "\n");
    }
}

TEST(JsonText, EstimateFieldsAreNullUntilThereIsOne) {
    nlohmann::json object;
    add_assessment(object, hunt::PoolAssessment{}, 0);
    EXPECT_EQ(object["model"], "untested");
    EXPECT_TRUE(object["pool"].is_null());
    EXPECT_TRUE(object["sample_coverage"].is_null());
    EXPECT_TRUE(object["expected_new_per_hour"].is_null());
    hunt::PoolAssessment bound;
    bound.model = hunt::DrawModel::Uneven;
    bound.estimate = hunt::PoolEstimate{4012.4, 3900.2, INFINITY, 0.5, 200};
    bound.lower_bound = true;
    bound.sample_coverage = 0.97;
    add_assessment(object, bound, 12.5);
    EXPECT_EQ(object["model"], "uneven");
    EXPECT_EQ(object["pool"], 4012);
    EXPECT_EQ(object["pool_low"], 3900);
    EXPECT_TRUE(object["pool_high"].is_null());
    EXPECT_EQ(object["pool_is_lower_bound"], true);
    EXPECT_EQ(object["expected_new_per_hour"], 12.5);
    EXPECT_EQ(json_classes(0b101), nlohmann::json({"AAA", "AABBB"}));
}

}  // namespace
}  // namespace qorvex::hunt_cli
