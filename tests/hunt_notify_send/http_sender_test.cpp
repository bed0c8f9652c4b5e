// The HTTP sender against a local receiver that speaks each service's API:
// what the library builds arrives byte for byte, the signatures hold by the
// receiver's own reckoning, each kind of refusal or silence reads as what it
// is, and a stalled service costs no more than the time bound.

#include "hunt/notify/curl/http_sender.h"

#include <gtest/gtest.h>

#include <chrono>

#include "hunt_notify_send/receivers.h"

namespace qorvex::notify_test {
namespace {

using namespace hunt::notify;

constexpr hunt::TimeMs kNow = 1'796'000'000'000;
constexpr const char* kSecret = "SEC0123abcdef";

Channel channel_of(const std::string& url) {
    const auto parsed = parse_channel(url, [](std::string_view) { return std::nullopt; });
    EXPECT_TRUE(parsed.channel.has_value()) << url << ": " << parsed.error;
    return parsed.channel.value_or(Channel{});
}

// The request as built, sent to the receiver in place of the service's own
// host (the path, query, headers and body stay as built).
HttpRequest request_for(const Channel& channel, const Receiver& receiver) {
    const Message message{"号码提醒 test", "138 8888 1234\nhttps://example.cn/apply",
                          "https://example.cn/apply", 1};
    auto request = std::get<HttpRequest>(build_delivery(channel, message, kNow, "1"));
    if (request.url.starts_with("https://")) {
        request.url = receiver.base_url() + request.url.substr(request.url.find('/', 8));
    }
    return request;
}

// The URL with "HOST" standing for the receiver's host and port.
std::string with_host(std::string url, const Receiver& receiver) {
    if (const auto at = url.find("HOST"); at != std::string::npos) {
        url.replace(at, 4, "127.0.0.1:" + std::to_string(receiver.port()));
    }
    return url;
}

SendOptions quick(std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    SendOptions options;
    options.timeout = timeout;
    return options;
}

struct ServiceCase {
    const char* label;
    std::string url;  // "HOST" stands for the receiver's host and port
    const char* service;
    const char* signature;
    Verdict verdict;
};

TEST(HttpSender, EachServiceGetsTheBuiltRequestAndAnswersInItsShape) {
    HttpReceiver receiver("ok", kSecret);
    const std::string secret = kSecret;
    const std::vector<ServiceCase> cases = {
        {"webhook", "json://HOST/hooks/hunt?+X-Token=abc123", "webhook", "none",
         Verdict::Delivered},
        {"ntfy", "ntfy://HOST/hunt-topic?priority=4&tags=phone,tada", "ntfy", "none",
         Verdict::Delivered},
        {"bark", "bark://HOST/DeviceKey123?group=hunt", "bark", "none", Verdict::Delivered},
        {"wecom", "wecom://abcd-1234", "wecom", "none", Verdict::Delivered},
        {"dingtalk signed", "dingtalk://" + secret + "@tok123", "dingtalk", "good",
         Verdict::Delivered},
        {"dingtalk wrong secret", "dingtalk://SECwrong9876@tok123", "dingtalk", "bad",
         Verdict::Failed},
        {"dingtalk unsigned", "dingtalk://tok123", "dingtalk", "none", Verdict::Delivered},
        {"feishu signed", "feishu://" + secret + "@hook-id-1", "feishu", "good",
         Verdict::Delivered},
        {"feishu wrong secret", "lark://SECwrong9876@hook-id-1", "feishu", "bad", Verdict::Failed},
        {"telegram", "tgram://123456:ABC-def/-100123", "telegram", "none", Verdict::Delivered},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.label);
        const std::string url = with_host(row.url, receiver);
        const Channel channel = channel_of(url);
        const HttpRequest request = request_for(channel, receiver);
        const HttpAnswer answer = send_http(request, quick());
        const auto got = receiver.next();
        ASSERT_TRUE(got.is_object());
        EXPECT_EQ(got["service"], row.service);
        EXPECT_EQ(got["signature"], row.signature);
        EXPECT_EQ(got["body"], request.body);
        EXPECT_EQ(got["headers"]["content-type"], "application/json; charset=utf-8");
        if (channel.kind == ChannelKind::Webhook) {
            EXPECT_EQ(got["headers"].value("x-token", ""), "abc123");
        }
        EXPECT_EQ(read_http_answer(channel.kind, answer, kNow).verdict, row.verdict)
            << answer.status << " " << answer.body;
    }
}

struct FaultCase {
    const char* answer;
    const char* url;
    Verdict verdict;
    std::optional<hunt::TimeMs> retry_after_ms;
    const char* error_holds;
};

TEST(HttpSender, RefusalsAndSilencesReadAsTheServiceMeantThem) {
    const std::vector<FaultCase> cases = {
        {"500", "wecom://abcd-1234", Verdict::RetryLater, std::nullopt, "HTTP 500"},
        {"429", "ntfy://HOST/topic", Verdict::RetryLater, 7'000, "HTTP 429"},
        {"body-error", "dingtalk://tok123", Verdict::Failed, std::nullopt, "300001"},
        {"body-error", "feishu://hook-id-1", Verdict::Failed, std::nullopt, "19001"},
        {"refuse", "tgram://123456:ABC-def/-100123", Verdict::Failed, std::nullopt,
         "chat not found"},
        {"reset", "json://HOST/hook", Verdict::RetryLater, std::nullopt, "no answer"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(std::string(row.answer) + " " + row.url);
        HttpReceiver receiver(row.answer);
        const std::string url = with_host(row.url, receiver);
        const Channel channel = channel_of(url);
        const HttpAnswer answer = send_http(request_for(channel, receiver), quick());
        ASSERT_TRUE(receiver.next().is_object());
        const DeliveryResult result = read_http_answer(channel.kind, answer, kNow);
        EXPECT_EQ(result.verdict, row.verdict);
        EXPECT_EQ(result.retry_after_ms, row.retry_after_ms);
        EXPECT_NE(result.error.find(row.error_holds), std::string::npos) << result.error;
    }
}

TEST(HttpSender, AStalledServiceCostsNoMoreThanTheTimeBound) {
    HttpReceiver receiver("stall");
    const Channel channel =
        channel_of("json://127.0.0.1:" + std::to_string(receiver.port()) + "/hook");
    const auto start = std::chrono::steady_clock::now();
    const HttpAnswer answer =
        send_http(request_for(channel, receiver), quick(std::chrono::milliseconds(800)));
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(answer.status, 0);
    EXPECT_FALSE(answer.transport_error.empty());
    EXPECT_LT(took, std::chrono::milliseconds(2500));
    EXPECT_EQ(read_http_answer(channel.kind, answer, kNow).verdict, Verdict::RetryLater);
}

}  // namespace
}  // namespace qorvex::notify_test
