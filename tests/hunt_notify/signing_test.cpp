#include "hunt/notify/signing.h"

#include <gtest/gtest.h>

namespace qorvex::hunt::notify {
namespace {

// The expected values were computed apart from this code, with OpenSSL's
// command line:
//   printf '%s\n%s' 1765382400000 SEC0123456789abcdef |
//     openssl dgst -sha256 -hmac SEC0123456789abcdef -binary | base64
//   printf '' | openssl dgst -sha256 -hmac "$(printf '1765382400\nfeishu-secret')" -binary | base64
TEST(Signing, MatchesSignaturesComputedByOpenSslsCommandLine) {
    EXPECT_EQ(dingtalk_signature("SEC0123456789abcdef", 1765382400000),
              "kcNV+GY0un5DUmsmQO372rjosBPwd9Dd88BY0/GkFi0=");
    EXPECT_EQ(feishu_signature("feishu-secret", 1765382400),
              "qMJ8fpUps+99Y+R6bolDxSQOO18nlTpQqcCm5LS0yk8=");
}

TEST(Signing, EncodesBase64WithPadding) {
    const struct {
        const char* bytes;
        const char* text;
    } cases[] = {{"", ""},
                 {"a", "YQ=="},
                 {"ab", "YWI="},
                 {"abc", "YWJj"},
                 {"alice:pa55", "YWxpY2U6cGE1NQ=="},
                 {"号码命中", "5Y+356CB5ZG95Lit"}};
    for (const auto& row : cases) {
        EXPECT_EQ(base64_encode(row.bytes), row.text) << row.bytes;
    }
}

}  // namespace
}  // namespace qorvex::hunt::notify
