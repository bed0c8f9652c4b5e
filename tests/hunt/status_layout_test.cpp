#include "hunt_cli/status_layout.h"

#include <gtest/gtest.h>

namespace qorvex::hunt_cli {
namespace {

TEST(StatusLayout, DisplayWidthCountsChineseAsTwoColumns) {
    EXPECT_EQ(display_width("cycles 12"), 9);
    EXPECT_EQ(display_width("Tavikmax/广东/深圳"), 18);
    EXPECT_EQ(display_width("星河梦想e卡"), 11);
}

TEST(StatusLayout, RowsFitTheWidthAndNoFieldIsSplit) {
    const std::vector<std::string> fields{"Tavikmax/广东/深圳",
                                          "cycles 1234",
                                          "seen 12345",
                                          "new 1234 (123/h)",
                                          "next in 3.2 s",
                                          "draws uneven",
                                          "pool at least 3500 (95%: 3300-3900)",
                                          "coverage at most 93.0%",
                                          "replies known 97.1%",
                                          "expect 4.2 new/h"};
    for (const int width : {80, 60, 40, 200}) {
        SCOPED_TRACE(width);
        const auto rows = fit_fields(fields, width);
        std::string joined;
        for (const auto& row : rows) {
            EXPECT_LE(display_width(row), width) << row;
            joined += row + "\n";
        }
        for (const auto& field : fields) {
            EXPECT_NE(joined.find(field), std::string::npos) << field;
        }
        EXPECT_EQ(rows.size() == 1, width == 200);
    }
    // A field wider than the row gets a row to itself.
    const auto narrow = fit_fields({"a", "pool at least 3500 (95%: 3300-3900)", "b"}, 20);
    EXPECT_EQ(narrow,
              (std::vector<std::string>{"a", "  pool at least 3500 (95%: 3300-3900)", "  b"}));
}

TEST(StatusLayout, WordsWrapAtSpacesOnly) {
    const auto rows = wrap_words("广东 ended: stopped on the uniform-draw estimate", 20);
    EXPECT_EQ(rows, (std::vector<std::string>{"广东 ended: stopped", "  on the", "  uniform-draw",
                                              "  estimate"}));
}

}  // namespace
}  // namespace qorvex::hunt_cli
