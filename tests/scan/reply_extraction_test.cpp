// Extraction from a reply of any size, window by window and up to a limit.

#include "scan/reply_extraction.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <stop_token>
#include <string>
#include <vector>

#include "regex/platform_engine.h"
#include "regex/regex_object.h"

namespace qorvex::scan {
namespace {

// Digits that a fixed generator draws, so runs hold numbers that start
// anywhere and overlap whatever window cuts them.
std::string digits(std::size_t count, std::uint32_t seed) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        seed = seed * 1664525U + 1013904223U;
        text += static_cast<char>('0' + (seed >> 24U) % 10U);
    }
    return text;
}

struct ReplyRow {
    const char* label;
    std::string reply;
};

std::vector<ReplyRow> reply_rows() {
    std::string listed = "jsonp_queryMoreNums({\"numArray\":[";
    for (int i = 0; i < 40; ++i) {
        listed += (i ? ",1" : "1") + digits(10, static_cast<std::uint32_t>(i));
    }
    listed += "]});";
    return {
        {"numbers between separators", listed},
        {"one long run of digits", digits(300, 7)},
        {"runs of ten to twelve digits",
         "1" + digits(9, 1) + ",1" + digits(10, 2) + ",1" + digits(11, 3) + ",1" + digits(12, 4)},
        {"runs joined by other characters",
         digits(90, 3) + "号码" + digits(130, 4) + "é" + digits(50, 5) + "\xff" + digits(40, 6)},
        {"no numbers", "jsonp_queryMoreNums({\"code\":\"M0\"});"},
        {"empty", ""},
    };
}

std::vector<std::string> whole_text_numbers(rx::RegexEngine& engine, ExtractionChoice choice,
                                            const std::string& reply) {
    rx::RegexObject regex(engine);
    return extract_numbers(regex, choice, reply);
}

TEST(ReplyExtraction, WindowsFindWhatOneSearchOfTheWholeReplyFinds) {
    const auto engine = rx::make_platform_engine();
    for (const ReplyRow& row : reply_rows()) {
        for (const ExtractionChoice choice :
             {ExtractionChoice::AllDigits, ExtractionChoice::Without4,
              ExtractionChoice::Without4And7}) {
            const auto expected = whole_text_numbers(*engine, choice, row.reply);
            for (const std::size_t window : {11U, 23U, 64U}) {
                SCOPED_TRACE(std::string(row.label) + ", choice " +
                             std::to_string(static_cast<int>(choice)) + ", window " +
                             std::to_string(window));
                EXPECT_EQ(extract_reply_numbers(*engine, choice, row.reply, {}, kMaxNumbersPerReply,
                                                window),
                          expected);
            }
        }
    }
}

TEST(ReplyExtraction, TakesTheFirstNumbersUpToTheLimit) {
    const auto engine = rx::make_platform_engine();
    const std::string reply = digits(2000, 11);
    const auto all = whole_text_numbers(*engine, ExtractionChoice::AllDigits, reply);
    ASSERT_GT(all.size(), 20U);
    for (const std::size_t limit : {0U, 1U, 7U, 20U}) {
        SCOPED_TRACE(limit);
        EXPECT_EQ(extract_reply_numbers(*engine, ExtractionChoice::AllDigits, reply, {}, limit, 64),
                  std::vector<std::string>(all.begin(), all.begin() + static_cast<long>(limit)));
    }
}

TEST(ReplyExtraction, NoChoiceOrAStopTakesNothing) {
    const auto engine = rx::make_platform_engine();
    const std::string reply = digits(2000, 11);
    EXPECT_TRUE(extract_reply_numbers(*engine, ExtractionChoice::None, reply).empty());
    std::stop_source stopped;
    stopped.request_stop();
    EXPECT_TRUE(
        extract_reply_numbers(*engine, ExtractionChoice::AllDigits, reply, stopped.get_token())
            .empty());
}

}  // namespace
}  // namespace qorvex::scan
