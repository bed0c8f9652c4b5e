// The mail sender against a local aiosmtpd server: a mail goes out only
// over TLS (STARTTLS for smtp://, from the first byte for smtps://), logs in,
// and arrives whole; a server that offers no TLS gets nothing, and a refused
// recipient is a failure for good.

#include "hunt/notify/curl/mail_sender.h"

#include <gtest/gtest.h>

#include "hunt_notify_send/receivers.h"

namespace qorvex::notify_test {
namespace {

using namespace hunt::notify;

constexpr hunt::TimeMs kNow = 1'796'000'000'000;

struct MailCase {
    const char* label;
    const char* scheme;
    const char* tls;  // what the receiver offers
    bool refuse_recipients;
    const char* password;
    Verdict verdict;
    bool arrives;
};

TEST(MailSender, SendsOnlyOverTlsAndReadsTheServersAnswer) {
    const std::vector<MailCase> cases = {
        {"starttls", "smtp", "starttls", false, "secret-pw", Verdict::Delivered, true},
        {"implicit tls", "smtps", "implicit", false, "secret-pw", Verdict::Delivered, true},
        {"no tls offered", "smtp", "none", false, "secret-pw", Verdict::RetryLater, false},
        {"recipient refused", "smtp", "starttls", true, "secret-pw", Verdict::Failed, false},
        {"wrong password", "smtp", "starttls", false, "wrong-pw", Verdict::Failed, false},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.label);
        MailReceiver receiver(row.tls, row.refuse_recipients);
        const std::string url = std::string(row.scheme) + "://hunter:" + row.password +
                                "@127.0.0.1:" + std::to_string(receiver.port()) +
                                "?from=hunter@example.org&to=me@example.org,you@example.org";
        const auto parsed = parse_channel(url, [](std::string_view) { return std::nullopt; });
        ASSERT_TRUE(parsed.channel) << parsed.error;
        const Message message{"号码提醒", "138 8888 1234", "https://example.cn/apply", 1};
        const auto mail =
            std::get<MailRequest>(build_delivery(*parsed.channel, message, kNow, "42"));
        SendOptions options;
        options.timeout = std::chrono::seconds(10);
        options.ca_file = receiver.certificate_path();

        const MailAnswer answer = send_mail(mail, options);
        EXPECT_EQ(read_mail_answer(answer.code, answer.text).verdict, row.verdict)
            << answer.code << " " << answer.text;
        const auto got = receiver.next(std::chrono::milliseconds(row.arrives ? 5000 : 300));
        if (!row.arrives) {
            EXPECT_TRUE(got.is_null()) << got.dump();
            continue;
        }
        ASSERT_TRUE(got.is_object());
        EXPECT_TRUE(got["tls"].get<bool>());
        EXPECT_EQ(got["from"], "hunter@example.org");
        EXPECT_EQ(got["to"], nlohmann::json::array({"me@example.org", "you@example.org"}));
        EXPECT_EQ(got["login"], "hunter");
        EXPECT_EQ(got["data"], mail.message);
    }
}

}  // namespace
}  // namespace qorvex::notify_test
