#include "web/bytes.h"

#include <gtest/gtest.h>

namespace qorvex::web {
namespace {

TEST(Bytes, TextEndsAtTheFirstZeroByte) {
    EXPECT_EQ(text_of_bytes(Bytes{'a', 'b', 0, 'c'}), "ab");
    EXPECT_EQ(text_of_bytes(Bytes{'a', 'b'}), "ab");
    EXPECT_EQ(text_of_bytes(Bytes{0, 'a'}), "");
    EXPECT_EQ(text_of_bytes(Bytes{}), "");
    EXPECT_EQ(bytes_of_text("中"), (Bytes{0xE4, 0xB8, 0xAD}));
}

}  // namespace
}  // namespace qorvex::web
