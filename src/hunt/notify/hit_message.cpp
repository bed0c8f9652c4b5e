#include "hunt/notify/hit_message.h"

#include <chrono>
#include <cstdio>
#include <vector>

#include "app/application_page.h"
#include "hunt/class_names.h"

namespace qorvex::hunt::notify {
namespace {

constexpr TimeMs kMsPerMinute = 60'000;
constexpr std::size_t kNumberDigits = 11;

struct Words {
    std::string_view hit_title;     // before the number
    std::string_view digest_title;  // after the count
    std::string_view number, classes, target, first_seen, application_page;
    std::string_view field_separator;  // between a label and its value
    std::string_view class_separator;
    std::string_view times_in;                          // before the zone, in a digest
    std::string_view more_before, more_after;           // around the count of hits left out
    std::string_view digest_title_one, more_after_one;  // the same for one hit
};

constexpr Words kChinese{"号码命中 ",   " 个号码命中",
                         "号码",        "类别",
                         "目标",        "首次发现",
                         "申请页面",    "：",
                         "、",          "时间为 ",
                         "另有 ",       " 个命中见下一条消息",
                         " 个号码命中", " 个命中见下一条消息"};
constexpr Words kEnglish{"Hit: ",    " hits",
                         "Number",   "Classes",
                         "Target",   "First seen",
                         "Apply at", ": ",
                         ", ",       "Times in ",
                         "",         " more hits follow in the next message",
                         " hit",     " more hit follows in the next message"};

const Words& words(Language language) {
    return language == Language::English ? kEnglish : kChinese;
}

// "Tavikmax/广东/深圳" → "Tavikmax / 广东 / 深圳"
std::string target_text(std::string_view label) {
    std::string text;
    for (const char c : label) {
        text += c == '/' ? std::string(" / ") : std::string(1, c);
    }
    return text;
}

std::string field(const Words& w, std::string_view label, std::string_view value) {
    return std::string(label) + std::string(w.field_separator) + std::string(value) + "\n";
}

std::string digest_line(const HitNotice& hit, const MessageStyle& style) {
    const Words& w = words(style.language);
    return grouped_number(hit.number) + " | " + class_list(hit.classes, w.class_separator) + " | " +
           target_text(hit.target) + " | " +
           local_time_text(hit.first_seen, style.utc_offset_minutes) + "\n";
}

}  // namespace

MessageStyle message_style(Language language, int utc_offset_minutes,
                           std::string_view carrier_host) {
    return {language, utc_offset_minutes, app::application_page_url(carrier_host)};
}

std::string grouped_number(PhoneNumber number) {
    std::string digits = std::to_string(number);
    if (digits.size() != kNumberDigits) {
        return digits;
    }
    return digits.substr(0, 3) + " " + digits.substr(3, 4) + " " + digits.substr(7);
}

std::string local_time_text(TimeMs time, int utc_offset_minutes) {
    using namespace std::chrono;
    const sys_time<milliseconds> local{
        milliseconds(time + TimeMs(utc_offset_minutes) * kMsPerMinute)};
    const auto day = floor<days>(local);
    const year_month_day date{day};
    const hh_mm_ss clock{floor<seconds>(local - day)};
    // Room for any value the fields' types can hold, so that an optimised
    // build sees no possible truncation.
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u %02ld:%02ld:%02lld", int(date.year()),
                  unsigned(date.month()), unsigned(date.day()), long(clock.hours().count()),
                  long(clock.minutes().count()), static_cast<long long>(clock.seconds().count()));
    return text;
}

std::string utc_offset_text(int utc_offset_minutes) {
    const int magnitude = utc_offset_minutes < 0 ? -utc_offset_minutes : utc_offset_minutes;
    char text[16];
    std::snprintf(text, sizeof text, "UTC%c%02d:%02d", utc_offset_minutes < 0 ? '-' : '+',
                  magnitude / 60, magnitude % 60);
    return text;
}

std::size_t text_size(std::string_view text, const TextLimit& limit) {
    if (!limit.in_characters) {
        return text.size();
    }
    std::size_t characters = 0;
    for (const char c : text) {
        // Continuation bytes of UTF-8 are 10xxxxxx.
        characters += (static_cast<unsigned char>(c) & 0xC0U) != 0x80U ? 1 : 0;
    }
    return characters;
}

Message compose_message(std::span<const HitNotice> hits, const MessageStyle& style,
                        const TextLimit& limit) {
    const Words& w = words(style.language);
    Message message;
    message.link = style.application_page;
    const std::string page_line = field(w, w.application_page, style.application_page);
    if (hits.empty()) {
        return message;
    }
    if (hits.size() == 1) {
        const HitNotice& hit = hits.front();
        message.title = std::string(w.hit_title) + grouped_number(hit.number);
        message.body = field(w, w.number, grouped_number(hit.number)) +
                       field(w, w.classes, class_list(hit.classes, w.class_separator)) +
                       field(w, w.target, target_text(hit.target)) +
                       field(w, w.first_seen,
                             local_time_text(hit.first_seen, style.utc_offset_minutes) + " (" +
                                 utc_offset_text(style.utc_offset_minutes) + ")") +
                       page_line;
        message.hits = 1;
        return message;
    }
    std::vector<std::string> lines;
    lines.reserve(hits.size());
    for (const HitNotice& hit : hits) {
        lines.push_back(digest_line(hit, style));
    }
    const std::string zone_line =
        std::string(w.times_in) + utc_offset_text(style.utc_offset_minutes) + "\n";
    const auto more_line = [&w](std::size_t left) {
        return std::string(w.more_before) + std::to_string(left) +
               std::string(left == 1 ? w.more_after_one : w.more_after) + "\n";
    };
    const auto title = [&w](std::size_t count) {
        return std::to_string(count) +
               std::string(count == 1 ? w.digest_title_one : w.digest_title);
    };
    // Fixed parts first, then lines while the whole still fits. The title
    // and the "more" line grow by a digit at most, which the bound allows.
    const std::size_t fixed = text_size(title(hits.size()) + "\n" + zone_line + page_line, limit);
    std::size_t used = fixed;
    std::size_t count = 0;
    while (count < hits.size()) {
        const std::size_t line = text_size(lines[count], limit);
        const std::size_t note =
            count + 1 < hits.size() ? text_size(more_line(hits.size() - count - 1), limit) : 0;
        if (count > 0 && limit.max != 0 && used + line + note > limit.max) {
            break;
        }
        used += line;
        ++count;
    }
    message.title = title(count);
    for (std::size_t i = 0; i < count; ++i) {
        message.body += lines[i];
    }
    if (count < hits.size()) {
        message.body += more_line(hits.size() - count);
    }
    message.body += zone_line + page_line;
    message.hits = count;
    return message;
}

}  // namespace qorvex::hunt::notify
