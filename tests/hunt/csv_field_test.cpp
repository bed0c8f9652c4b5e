#include "hunt/csv_field.h"

#include <gtest/gtest.h>

namespace qorvex::hunt {
namespace {

TEST(CsvField, QuotedOnlyWhenRfc4180AsksForIt) {
    const struct {
        const char* label;
        const char* value;
        const char* field;
    } cases[] = {
        {"plain", "13012345678", "13012345678"},
        {"empty", "", ""},
        {"comma", "AAA,4A+", "\"AAA,4A+\""},
        {"double quote doubled", "say \"hi\"", "\"say \"\"hi\"\"\""},
        {"line feed", "a\nb", "\"a\nb\""},
        {"carriage return", "a\rb", "\"a\rb\""},
        {"Chinese and slash stay as they are", "Tavikmax/广东/深圳", "Tavikmax/广东/深圳"},
        {"leading space kept", " x", " x"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(csv_field(row.value), row.field);
    }
    EXPECT_EQ(csv_record({"a", "b,c", ""}), "a,\"b,c\",\r\n");
}

}  // namespace
}  // namespace qorvex::hunt
