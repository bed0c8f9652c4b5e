#pragma once

// The text a person reads on a phone about one hit, or about several that
// came within a few seconds (a digest, so that a burst is one push and not
// forty): the number grouped for reading, its classes by the window's
// captions, the target, when it was first seen, and the card's application
// page. Chinese by default, English on request. A digest that would pass the
// channel's length limit holds as many hits as fit and says how many follow
// in the next message.

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "hunt/store.h"

namespace qorvex::hunt::notify {

enum class Language { Chinese, English };

struct HitNotice {
    PhoneNumber number = 0;
    ClassMask classes = 0;
    std::string target;  // "Tavikmax/广东/深圳"
    TimeMs first_seen = 0;
};

struct MessageStyle {
    Language language = Language::Chinese;
    int utc_offset_minutes = 0;  // the reader's local time; the caller knows the zone
    std::string application_page;
};

// The style for a deployment: the application page is the one the window's
// button opens for this carrier host.
MessageStyle message_style(Language language, int utc_offset_minutes,
                           std::string_view carrier_host);

// How long a channel's text may be.
struct TextLimit {
    std::size_t max = 0;
    bool in_characters = false;  // false: UTF-8 bytes
};

struct Message {
    std::string title;
    std::string body;      // ends with the application page line
    std::string link;      // the application page, for services that take a link apart
    std::size_t hits = 0;  // how many of the given hits it holds, from the first

    std::string text() const { return title + "\n" + body; }
};

// "13888881234" → "138 8888 1234"; other lengths are left as they are.
std::string grouped_number(PhoneNumber number);

// "2026-12-10 16:08:36" at the given offset from UTC.
std::string local_time_text(TimeMs time, int utc_offset_minutes);

// "UTC+08:00"
std::string utc_offset_text(int utc_offset_minutes);

// The size of `text` as `limit` counts it.
std::size_t text_size(std::string_view text, const TextLimit& limit);

// One hit's message when `hits` holds one, else a digest of as many as fit
// `limit` (always at least one). No hits, no message: an empty one.
Message compose_message(std::span<const HitNotice> hits, const MessageStyle& style,
                        const TextLimit& limit);

}  // namespace qorvex::hunt::notify
