#include "web/base64.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qorvex::web {
namespace {

struct Base64Row {
    const char* label;
    std::string bytes;
    std::string expected;
};

TEST(Base64, EncodesGroupsWithPadding) {
    const std::vector<Base64Row> rows = {
        {"three bytes", "abc", "YWJj"},
        {"one byte left over", "a", "YQ=="},
        {"two bytes left over", "ab", "YWI="},
        {"empty", "", ""},
        {"proxy credentials", "user:pass", "dXNlcjpwYXNz"},
        {"high bits and a zero byte", std::string("\xFF\xFE\x00", 3), "//4A"},
        {"no line breaks in long input", std::string(60, 'a'),
         "YWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFh"},
    };
    for (const Base64Row& row : rows) {
        EXPECT_EQ(base64_encode(row.bytes), row.expected) << row.label;
    }
}

}  // namespace
}  // namespace qorvex::web
