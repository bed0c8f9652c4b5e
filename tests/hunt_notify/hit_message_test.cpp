#include "hunt/notify/hit_message.h"

#include <gtest/gtest.h>

#include <vector>

#include "app/application_page.h"

namespace qorvex::hunt::notify {
namespace {

constexpr TimeMs kSeen = 1765382400000;  // 2025-12-10 16:00:00 UTC
constexpr ClassMask kAaaAndAabb = 0b1001;
constexpr TextLimit kUnlimited{};

std::vector<HitNotice> three_hits() {
    return {{13888881234, kAaaAndAabb, "Tavikmax/广东/深圳", kSeen},
            {13912345678, 0b1, "Tavikmax/广东/深圳", kSeen + 2000},
            {15000000001, 0b1, "星河梦想e卡/北京/北京", kSeen + 4000}};
}

TEST(HitMessage, OneHitInChineseAndEnglish) {
    const auto hits = three_hits();
    const MessageStyle chinese{Language::Chinese, 8 * 60, "https://example.test/apply"};
    const Message zh = compose_message(std::span(hits).first(1), chinese, kUnlimited);
    EXPECT_EQ(zh.title, "号码命中 138 8888 1234");
    EXPECT_EQ(zh.body,
              "号码：138 8888 1234\n类别：AAA、AABB\n目标：Tavikmax / 广东 / 深圳\n"
              "首次发现：2025-12-11 00:00:00 (UTC+08:00)\n申请页面：https://example.test/apply\n");
    EXPECT_EQ(zh.hits, 1U);
    EXPECT_EQ(zh.link, "https://example.test/apply");

    const MessageStyle english{Language::English, -90, "https://example.test/apply"};
    const Message en = compose_message(std::span(hits).first(1), english, kUnlimited);
    EXPECT_EQ(en.title, "Hit: 138 8888 1234");
    EXPECT_EQ(
        en.body,
        "Number: 138 8888 1234\nClasses: AAA, AABB\nTarget: Tavikmax / 广东 / 深圳\n"
        "First seen: 2025-12-10 14:30:00 (UTC-01:30)\nApply at: https://example.test/apply\n");
}

TEST(HitMessage, DigestHoldsWhatFitsAndSaysHowManyFollow) {
    const auto hits = three_hits();
    const MessageStyle style{Language::Chinese, 8 * 60, "https://example.test/apply"};
    const Message all = compose_message(hits, style, kUnlimited);
    EXPECT_EQ(all.title, "3 个号码命中");
    EXPECT_EQ(all.body,
              "138 8888 1234 | AAA、AABB | Tavikmax / 广东 / 深圳 | 2025-12-11 00:00:00\n"
              "139 1234 5678 | AAA | Tavikmax / 广东 / 深圳 | 2025-12-11 00:00:02\n"
              "150 0000 0001 | AAA | 星河梦想e卡 / 北京 / 北京 | 2025-12-11 00:00:04\n"
              "时间为 UTC+08:00\n申请页面：https://example.test/apply\n");

    const MessageStyle english{Language::English, 0, "https://example.test/apply"};
    EXPECT_EQ(compose_message(hits, english, kUnlimited).title, "3 hits");
    const Message one = compose_message(std::span(hits).first(2), english, TextLimit{10, false});
    EXPECT_EQ(one.title, "1 hit");
    EXPECT_NE(one.body.find("\n1 more hit follows in the next message\n"), std::string::npos);

    // The two-hit digest plus the note about the third is exactly the bound.
    for (const bool in_characters : {false, true}) {
        SCOPED_TRACE(in_characters ? "characters" : "bytes");
        TextLimit limit{0, in_characters};
        const Message two = compose_message(std::span(hits).first(2), style, kUnlimited);
        const std::size_t bound =
            text_size(two.text(), limit) + text_size("另有 1 个命中见下一条消息\n", limit);
        const struct {
            std::size_t max;
            std::size_t hits;
        } rows[] = {{bound + 100, 3}, {bound, 2}, {bound - 1, 1}, {10, 1}};
        for (const auto& row : rows) {
            limit.max = row.max;
            const Message message = compose_message(hits, style, limit);
            EXPECT_EQ(message.hits, row.hits) << row.max;
            EXPECT_EQ(message.title, std::to_string(row.hits) + " 个号码命中");
            if (row.hits < 3) {
                EXPECT_NE(message.body.find("另有 " + std::to_string(3 - row.hits) + " 个命中"),
                          std::string::npos);
            }
            if (row.hits > 1) {
                EXPECT_LE(text_size(message.text(), limit), row.max);
            }
        }
    }
}

TEST(HitMessage, GroupsNumbersAndUsesTheWindowsApplicationPage) {
    EXPECT_EQ(grouped_number(13888881234), "138 8888 1234");
    EXPECT_EQ(grouped_number(12345), "12345");
    EXPECT_EQ(message_style(Language::Chinese, 480, "host.test").application_page,
              app::application_page_url("host.test"));
}

}  // namespace
}  // namespace qorvex::hunt::notify
