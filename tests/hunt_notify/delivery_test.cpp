#include "hunt/notify/delivery.h"

#include <gtest/gtest.h>

#include "hunt/notify/mail_text.h"

namespace qorvex::hunt::notify {
namespace {

constexpr TimeMs kNow = 1765382400123;  // 2025-12-10 16:00:00.123 UTC
const std::string kJson = "application/json; charset=utf-8";

Channel channel(const char* url) {
    const ChannelParse parse = parse_channel(url, {});
    EXPECT_TRUE(parse.channel) << parse.error;
    return parse.channel.value_or(Channel{});
}

Message message() {
    return {"T", "B\n", "https://example.test/apply", 1};
}

TEST(Delivery, BuildsEachServicesDocumentedRequest) {
    const struct {
        const char* url;
        const char* request_url;
        const char* body;
        std::vector<Header> extra_headers;
    } cases[] = {
        {"jsons://hooks.example.com/in?+X-Key=k1",
         "https://hooks.example.com/in",
         R"({"title":"T","text":"B\n","link":"https://example.test/apply","hits":1,"sent_ms":1765382400123})",
         {{"X-Key", "k1"}}},
        {"ntfys://ntfy.sh/topic1?priority=high&tags=phone,rotating_light",
         "https://ntfy.sh/",
         R"({"topic":"topic1","title":"T","message":"B\n","click":"https://example.test/apply","priority":4,"tags":["phone","rotating_light"]})",
         {}},
        {"barks://api.day.app/KEY?group=hunt",
         "https://api.day.app/push",
         R"({"device_key":"KEY","title":"T","body":"B\n","url":"https://example.test/apply","group":"hunt"})",
         {}},
        {"wecom://KEY",
         "https://qyapi.weixin.qq.com/cgi-bin/webhook/send?key=KEY",
         R"({"msgtype":"text","text":{"content":"T\nB\n"}})",
         {}},
        {"dingtalk://TOKEN",
         "https://oapi.dingtalk.com/robot/send?access_token=TOKEN",
         R"({"msgtype":"text","text":{"content":"T\nB\n"}})",
         {}},
        // The signature of 1765382400123 is checked against OpenSSL in signing_test.cpp;
        // here its place: the time stamp in ms and the percent-encoded Base64.
        {"dingtalk://SEC0123456789abcdef@TOKEN",
         "https://oapi.dingtalk.com/robot/send?access_token=TOKEN&timestamp=1765382400123&sign=",
         R"({"msgtype":"text","text":{"content":"T\nB\n"}})",
         {}},
        {"feishu://HOOK",
         "https://open.feishu.cn/open-apis/bot/v2/hook/HOOK",
         R"({"msg_type":"text","content":{"text":"T\nB\n"}})",
         {}},
        {"feishu://feishu-secret@HOOK",
         "https://open.feishu.cn/open-apis/bot/v2/hook/HOOK",
         R"({"timestamp":"1765382400","sign":"qMJ8fpUps+99Y+R6bolDxSQOO18nlTpQqcCm5LS0yk8=","msg_type":"text","content":{"text":"T\nB\n"}})",
         {}},
        {"tgram://123:abc/-100",
         "https://api.telegram.org/bot123:abc/sendMessage",
         R"({"chat_id":"-100","text":"T\nB\n","link_preview_options":{"is_disabled":true}})",
         {}},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.url);
        const Delivery delivery = build_delivery(channel(row.url), message(), kNow, "7");
        const auto* request = std::get_if<HttpRequest>(&delivery);
        ASSERT_NE(request, nullptr);
        EXPECT_EQ(request->method, "POST");
        EXPECT_EQ(request->url.substr(0, std::string(row.request_url).size()), row.request_url);
        EXPECT_EQ(request->body, row.body);
        std::vector<Header> headers{{"Content-Type", kJson}};
        headers.insert(headers.end(), row.extra_headers.begin(), row.extra_headers.end());
        EXPECT_EQ(request->headers, headers);
    }
}

TEST(Delivery, SignsDingTalkInTheUrl) {
    const Delivery delivery = build_delivery(channel("dingtalk://SEC0123456789abcdef@TOKEN"),
                                             message(), 1765382400000, "7");
    EXPECT_EQ(std::get<HttpRequest>(delivery).url,
              "https://oapi.dingtalk.com/robot/send?access_token=TOKEN&timestamp=1765382400000"
              "&sign=kcNV%2BGY0un5DUmsmQO372rjosBPwd9Dd88BY0%2FGkFi0%3D");
}

TEST(Delivery, WritesAMailAndADesktopNotification) {
    const Message hit{"号码命中", "B\n", "https://example.test/apply", 1};
    const Delivery mail = build_delivery(
        channel("smtps://me:pw@smtp.example.com?from=me@example.com&to=a@x.cn,b@y.cn"), hit, kNow,
        "42");
    const auto& request = std::get<MailRequest>(mail);
    EXPECT_EQ(request.server, "smtps://smtp.example.com:465");
    EXPECT_EQ(request.recipients, (std::vector<std::string>{"a@x.cn", "b@y.cn"}));
    EXPECT_EQ(request.message,
              "From: me@example.com\r\nTo: a@x.cn, b@y.cn\r\n"
              "Subject: =?UTF-8?B?5Y+356CB5ZG95Lit?=\r\nDate: Wed, 10 Dec 2025 16:00:00 +0000\r\n"
              "Message-ID: <qorvex-hunt.42@example.com>\r\nMIME-Version: 1.0\r\n"
              "Content-Type: text/plain; charset=UTF-8\r\nContent-Transfer-Encoding: base64\r\n"
              "\r\nQg0K\r\n");

    const Delivery desktop = build_delivery(channel("desktop://"), hit, kNow, "42");
    const auto& note = std::get<DesktopRequest>(desktop);
    EXPECT_EQ(note.app_name, "qorvex-hunt");
    EXPECT_EQ(note.summary, "号码命中");
    EXPECT_EQ(note.urgency, "normal");
}

TEST(Delivery, SplitsLongSubjectsBetweenCharacters) {
    std::string title;
    for (int i = 0; i < 40; ++i) {
        title += "号";
    }
    const std::string subject = encoded_header_text(title);
    std::size_t words = 0;
    std::size_t start = 0;
    while (start < subject.size()) {
        const auto end = std::min(subject.find("\r\n ", start), subject.size());
        EXPECT_LE(end - start, 75U);
        EXPECT_EQ(subject.compare(start, 10, "=?UTF-8?B?"), 0);
        ++words;
        start = end + 3;
    }
    EXPECT_EQ(words, 3U);  // 15 three-byte characters fit one word's 45 bytes
    EXPECT_EQ(encoded_header_text("Hit: 138"), "Hit: 138");
}

}  // namespace
}  // namespace qorvex::hunt::notify
