#include "hunt/best_finds.h"

#include <gtest/gtest.h>

namespace qorvex::hunt {
namespace {

TEST(BestFinds, RarestClassFirstAndOnlyTheBestKept) {
    std::array<std::int64_t, kClassBitCount> per_class{};
    per_class[0] = 500;  // AAA: common
    per_class[6] = 2;    // ABCDABCD: rare
    per_class[12] = 40;  // 尾AAA
    BestFinds best(per_class, 2);
    best.offer({"t", 1, 0b1, 10, 10, 1});
    best.offer({"t", 2, 0b1000000000001, 30, 30, 1});  // AAA and 尾AAA
    best.offer({"t", 3, 0b1000000, 50, 50, 1});        // ABCDABCD
    best.offer({"t", 4, 0, 5, 5, 1});                  // no class: never a find
    best.offer({"t", 5, 0b1000000000000, 20, 20, 1});  // 尾AAA alone, earlier than 2
    const auto finds = best.take();
    ASSERT_EQ(finds.size(), 2U);
    EXPECT_EQ(finds[0].number, 3);
    EXPECT_EQ(finds[1].number, 2) << "two classes beat one of the same rarity";
}

}  // namespace
}  // namespace qorvex::hunt
