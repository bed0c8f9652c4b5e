// Extraction of phone numbers from a reply with the pattern the radio buttons choose.

#include "scan/number_extraction.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "regex/platform_engine.h"

namespace qorvex::scan {
namespace {

using Numbers = std::vector<std::string>;

struct ExtractionRow {
    const char* label;
    ExtractionChoice choice;
    std::string subject;
    Numbers expected;
};

TEST(NumberExtraction, EachChoiceFindsItsNumbers) {
    const std::vector<ExtractionRow> rows = {
        {"all digits, also inside a longer run",
         ExtractionChoice::AllDigits,
         "x10412345678y 1234567890123",
         {"10412345678", "12345678901"}},
        {"without 4 skips a number with a 4", ExtractionChoice::Without4, "x10412345678y", {}},
        {"without 4 needs no leading 1",
         ExtractionChoice::Without4,
         "x20512356789y",
         {"20512356789"}},
        {"without 4 and 7",
         ExtractionChoice::Without4And7,
         "13512356789 13512356889",
         {"13512356889"}},
        {"duplicates stay, in order",
         ExtractionChoice::AllDigits,
         "[18800001111,13512345678,18800001111]",
         {"18800001111", "13512345678", "18800001111"}},
        {"no radio button checked", ExtractionChoice::None, "13512345678", {}},
        {"empty reply", ExtractionChoice::AllDigits, "", {}},
        {"full-width digits are no digits",
         ExtractionChoice::AllDigits,
         "１３５１２３４５６７８",
         {}},
    };
    const auto engine = rx::make_platform_engine();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        rx::RegexObject regex(*engine);
        EXPECT_EQ(extract_numbers(regex, row.choice, row.subject), row.expected);
    }
}

TEST(NumberExtraction, FirstCheckedButtonChooses) {
    EXPECT_EQ(extraction_choice(true, true, true), ExtractionChoice::AllDigits);
    EXPECT_EQ(extraction_choice(false, true, true), ExtractionChoice::Without4);
    EXPECT_EQ(extraction_choice(false, false, true), ExtractionChoice::Without4And7);
    EXPECT_EQ(extraction_choice(false, false, false), ExtractionChoice::None);
    EXPECT_FALSE(extraction_pattern(ExtractionChoice::None).has_value());
}

TEST(NumberExtraction, ListingEndsEveryNumberWithCrLf) {
    EXPECT_EQ(listing_text({"13512345678", "13512345678"}), "13512345678\r\n13512345678\r\n");
    EXPECT_EQ(listing_text({}), "");
}

}  // namespace
}  // namespace qorvex::scan
