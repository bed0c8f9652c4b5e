#include "hunt/notify/mail_text.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "hunt/notify/signing.h"

namespace qorvex::hunt::notify {
namespace {

constexpr std::string_view kCrLf = "\r\n";
// 45 bytes become 60 Base64 characters; with "=?UTF-8?B?" and "?=" that is
// 72, inside RFC 2047's 75.
constexpr std::size_t kBytesPerWord = 45;
// RFC 2045: Base64 lines of at most 76 characters.
constexpr std::size_t kBase64Line = 76;

bool plain_ascii(std::string_view text) {
    return text.find("=?") == std::string_view::npos &&
           std::all_of(text.begin(), text.end(), [](char c) {
               const auto byte = static_cast<unsigned char>(c);
               return byte >= 0x20 && byte < 0x7F;
           });
}

std::string id_part(std::string_view text) {
    std::string part;
    for (const char c : text) {
        const bool safe = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ||
                          (c >= 'a' && c <= 'z') || c == '.' || c == '-' || c == '_';
        part += safe ? c : '-';
    }
    return part;
}

}  // namespace

std::string mail_date(TimeMs time) {
    using namespace std::chrono;
    constexpr std::string_view kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    constexpr std::string_view kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const sys_time<milliseconds> moment{milliseconds(time)};
    const auto day = floor<days>(moment);
    const year_month_day date{day};
    const weekday week_day{day};
    const hh_mm_ss clock{floor<seconds>(moment - day)};
    char text[48];
    std::snprintf(text, sizeof text, "%s, %u %s %d %02ld:%02ld:%02lld +0000",
                  kDays[week_day.c_encoding()].data(), unsigned(date.day()),
                  kMonths[unsigned(date.month()) - 1].data(), int(date.year()),
                  long(clock.hours().count()), long(clock.minutes().count()),
                  static_cast<long long>(clock.seconds().count()));
    return text;
}

std::string encoded_header_text(std::string_view text) {
    if (plain_ascii(text)) {
        return std::string(text);
    }
    std::string encoded;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = std::min(start + kBytesPerWord, text.size());
        // Step back off UTF-8 continuation bytes so no character is split.
        while (end < text.size() && end > start &&
               (static_cast<unsigned char>(text[end]) & 0xC0U) == 0x80U) {
            --end;
        }
        if (!encoded.empty()) {
            encoded += std::string(kCrLf) + " ";
        }
        encoded += "=?UTF-8?B?" + base64_encode(text.substr(start, end - start)) + "?=";
        start = end;
    }
    return encoded;
}

std::string mail_text(std::string_view from, const std::vector<std::string>& recipients,
                      const Message& message, TimeMs now, std::string_view message_id) {
    std::string to;
    for (const auto& recipient : recipients) {
        to += (to.empty() ? "" : ", ") + recipient;
    }
    const std::string domain(from.substr(from.find('@') + 1));
    std::string mail;
    const auto header = [&mail](std::string_view name, std::string_view value) {
        mail += std::string(name) + ": " + std::string(value) + std::string(kCrLf);
    };
    header("From", from);
    header("To", to);
    header("Subject", encoded_header_text(message.title));
    header("Date", mail_date(now));
    header("Message-ID", "<qorvex-hunt." + id_part(message_id) + "@" + id_part(domain) + ">");
    header("MIME-Version", "1.0");
    header("Content-Type", "text/plain; charset=UTF-8");
    header("Content-Transfer-Encoding", "base64");
    mail += kCrLf;
    // Mail wants CRLF line ends in the text as well.
    std::string body;
    for (const char c : message.body) {
        body += c == '\n' ? std::string(kCrLf) : std::string(1, c);
    }
    const std::string encoded = base64_encode(body);
    for (std::size_t at = 0; at < encoded.size(); at += kBase64Line) {
        mail += encoded.substr(at, kBase64Line) + std::string(kCrLf);
    }
    return mail;
}

}  // namespace qorvex::hunt::notify
