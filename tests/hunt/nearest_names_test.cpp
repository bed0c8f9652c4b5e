#include "hunt/nearest_names.h"

#include <gtest/gtest.h>

#include <array>

namespace qorvex::hunt {
namespace {

TEST(NearestNames, DistanceCountsCharactersNotBytes) {
    const struct {
        const char* label;
        const char* a;
        const char* b;
        std::size_t distance;
    } cases[] = {
        {"equal", "深圳", "深圳", 0},
        {"one Chinese character replaced", "深训", "深圳", 1},
        {"one inserted", "广东省", "广东", 1},
        {"Latin", "kitten", "sitting", 3},
        {"from empty", "", "北京", 2},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(edit_distance(row.a, row.b), row.distance);
    }
}

TEST(NearestNames, NearestFirstAndBounded) {
    const std::array<std::string_view, 4> names{"上海", "北京", "广东", "广西"};
    const auto nearest = nearest_names("广冬", names, 2);
    ASSERT_EQ(nearest.size(), 2U);
    EXPECT_EQ(nearest[0], "广东");
    EXPECT_EQ(nearest[1], "广西");
}

}  // namespace
}  // namespace qorvex::hunt
