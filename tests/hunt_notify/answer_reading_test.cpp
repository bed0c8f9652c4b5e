#include "hunt/notify/answer_reading.h"

#include <gtest/gtest.h>

namespace qorvex::hunt::notify {
namespace {

constexpr TimeMs kNow = 784111777000;  // Sun, 06 Nov 1994 08:49:37 GMT

TEST(AnswerReading, TellsDeliveredFromLaterFromFailed) {
    const struct {
        const char* label;
        ChannelKind kind;
        HttpAnswer answer;
        Verdict verdict;
        std::optional<TimeMs> wait;
        const char* error_part;
    } cases[] = {
        {"no answer",
         ChannelKind::Ntfy,
         {0, {}, "", "Connection reset"},
         Verdict::RetryLater,
         std::nullopt,
         "no answer (Connection reset)"},
        {"webhook 204",
         ChannelKind::Webhook,
         {204, {}, "", ""},
         Verdict::Delivered,
         std::nullopt,
         ""},
        {"webhook 503 with seconds",
         ChannelKind::Webhook,
         {503, {{"retry-after", "120"}}, "", ""},
         Verdict::RetryLater,
         120'000,
         "HTTP 503"},
        {"429 with a date",
         ChannelKind::Ntfy,
         {429,
          {{"Retry-After", "Sun, 06 Nov 1994 08:50:07 GMT"}},
          R"({"error":"limit reached"})",
          ""},
         Verdict::RetryLater,
         30'000,
         "HTTP 429: limit reached"},
        {"ntfy 403",
         ChannelKind::Ntfy,
         {403, {}, R"({"code":40301,"error":"forbidden"})", ""},
         Verdict::Failed,
         std::nullopt,
         "HTTP 403: forbidden"},
        {"WeCom ok",
         ChannelKind::WeCom,
         {200, {}, R"({"errcode":0,"errmsg":"ok"})", ""},
         Verdict::Delivered,
         std::nullopt,
         ""},
        {"WeCom too fast in a 200",
         ChannelKind::WeCom,
         {200, {}, R"({"errcode":45009,"errmsg":"api freq out of limit"})", ""},
         Verdict::RetryLater,
         std::nullopt,
         "errcode 45009: api freq out of limit"},
        {"WeCom bad key in a 200",
         ChannelKind::WeCom,
         {200, {}, R"({"errcode":93000,"errmsg":"invalid webhook url"})", ""},
         Verdict::Failed,
         std::nullopt,
         "errcode 93000"},
        {"DingTalk throttled for ten minutes",
         ChannelKind::DingTalk,
         {200, {}, R"({"errcode":130101,"errmsg":"send too fast"})", ""},
         Verdict::RetryLater,
         600'000,
         "130101"},
        {"DingTalk sign mismatch",
         ChannelKind::DingTalk,
         {200, {}, R"({"errcode":310000,"errmsg":"sign not match"})", ""},
         Verdict::Failed,
         std::nullopt,
         "sign not match"},
        {"DingTalk 200 without JSON",
         ChannelKind::DingTalk,
         {200, {}, "<html>", ""},
         Verdict::RetryLater,
         std::nullopt,
         "not its JSON"},
        {"Feishu ok",
         ChannelKind::Feishu,
         {200, {}, R"({"code":0,"msg":"success","data":{}})", ""},
         Verdict::Delivered,
         std::nullopt,
         ""},
        {"Feishu older ok",
         ChannelKind::Feishu,
         {200, {}, R"({"StatusCode":0,"StatusMessage":"success"})", ""},
         Verdict::Delivered,
         std::nullopt,
         ""},
        {"Feishu sign fail",
         ChannelKind::Feishu,
         {200, {}, R"({"code":19021,"msg":"sign match fail"})", ""},
         Verdict::Failed,
         std::nullopt,
         "code 19021: sign match fail"},
        {"Feishu frequency limit",
         ChannelKind::Feishu,
         {429, {{"x-ogw-ratelimit-reset", "52"}}, R"({"code":99991400})", ""},
         Verdict::RetryLater,
         52'000,
         "HTTP 429"},
        {"Bark ok",
         ChannelKind::Bark,
         {200, {}, R"({"code":200,"message":"success"})", ""},
         Verdict::Delivered,
         std::nullopt,
         ""},
        {"Bark bad key",
         ChannelKind::Bark,
         {400, {}, R"({"code":400,"message":"failed to get device token"})", ""},
         Verdict::Failed,
         std::nullopt,
         "failed to get device token"},
        {"Telegram ok",
         ChannelKind::Telegram,
         {200, {}, R"({"ok":true,"result":{}})", ""},
         Verdict::Delivered,
         std::nullopt,
         ""},
        {"Telegram flood control",
         ChannelKind::Telegram,
         {429,
          {},
          R"({"ok":false,"error_code":429,"description":"Too Many Requests: retry after 7","parameters":{"retry_after":7}})",
          ""},
         Verdict::RetryLater,
         7'000,
         "Too Many Requests"},
        {"Telegram unknown chat",
         ChannelKind::Telegram,
         {400,
          {},
          R"({"ok":false,"error_code":400,"description":"Bad Request: chat not found"})",
          ""},
         Verdict::Failed,
         std::nullopt,
         "chat not found"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.label);
        const DeliveryResult result = read_http_answer(row.kind, row.answer, kNow);
        EXPECT_EQ(result.verdict, row.verdict);
        EXPECT_EQ(result.retry_after_ms, row.wait);
        EXPECT_NE(result.error.find(row.error_part), std::string::npos) << result.error;
    }
}

TEST(AnswerReading, ReadsMailAndDesktopAnswersAndBadRetryAfters) {
    EXPECT_EQ(read_mail_answer(250, "OK").verdict, Verdict::Delivered);
    EXPECT_EQ(read_mail_answer(451, "try later").verdict, Verdict::RetryLater);
    EXPECT_EQ(read_mail_answer(535, "auth failed").verdict, Verdict::Failed);
    EXPECT_EQ(read_mail_answer(0, "").verdict, Verdict::RetryLater);
    EXPECT_EQ(read_desktop_answer(true, "").verdict, Verdict::Delivered);
    EXPECT_EQ(read_desktop_answer(false, "no bus").verdict, Verdict::RetryLater);
    for (const char* bad :
         {"", "-5", "soon", "Sun, 06 Nov 1994 08:49:37 UTC", "Sun, 31 Feb 1994 08:49:37 GMT"}) {
        EXPECT_EQ(retry_after_delay(bad, kNow), std::nullopt) << bad;
    }
    EXPECT_EQ(retry_after_delay("Sun, 06 Nov 1994 08:00:00 GMT", kNow), 0) << "a past date";
    EXPECT_EQ(retry_after_delay("99999999999999", kNow), 31'536'000'000) << "at most a year";
}

}  // namespace
}  // namespace qorvex::hunt::notify
