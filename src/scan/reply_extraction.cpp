#include "scan/reply_extraction.h"

#include <algorithm>

#include "regex/match_list.h"

namespace qorvex::scan {

namespace {

// Every extraction pattern matches exactly eleven ASCII digits, and whether
// it matches at a position depends on those eleven characters alone. So no
// match spans a byte that is not a digit, and where a window cuts through a
// run of digits, a match that starts at least eleven bytes before the cut is
// the one a search of the whole text finds there.
constexpr std::size_t kNumberLength = 11;

constexpr unsigned char kFirstNonAscii = 0x80;

bool ends_a_number(unsigned char byte) {
    return byte < kFirstNonAscii && (byte < '0' || byte > '9');
}

struct Window {
    std::size_t end = 0;
    bool cuts_digits = false;  // it may end inside a number
};

// The window from `from` ends just after its last ASCII byte that is no
// digit, so that it cuts no number and no character; a window without one
// (digits, and maybe bytes of other characters) takes its full size.
Window window_from(std::string_view reply, std::size_t from, std::size_t size) {
    if (reply.size() - from <= size) {
        return {reply.size(), false};
    }
    for (std::size_t end = from + size; end > from; --end) {
        if (ends_a_number(static_cast<unsigned char>(reply[end - 1]))) {
            return {end, false};
        }
    }
    return {from + size, true};
}

}  // namespace

std::vector<std::string> extract_reply_numbers(rx::RegexEngine& engine, ExtractionChoice choice,
                                               std::string_view reply, const std::stop_token& stop,
                                               std::size_t limit, std::size_t window_bytes) {
    std::vector<std::string> numbers;
    const auto pattern = extraction_pattern(choice);
    const auto compiled = pattern ? engine.compile(*pattern) : nullptr;
    if (!compiled) {
        return numbers;
    }
    window_bytes = std::max(window_bytes, kNumberLength);
    rx::MatchList matches;
    std::size_t from = 0;
    while (from < reply.size() && numbers.size() < limit && !stop.stop_requested()) {
        const Window window = window_from(reply, from, window_bytes);
        const std::string_view text = reply.substr(from, window.end - from);
        if (compiled->find(text, rx::FindScope::All, matches) != rx::FindStatus::Complete) {
            break;
        }
        // Past a cut through digits, the last ten bytes are searched again
        // with what follows them.
        const std::size_t settled = window.cuts_digits ? text.size() - kNumberLength : text.size();
        std::size_t next = window.cuts_digits ? settled + 1 : text.size();
        for (std::size_t i = 0; i < matches.size() && numbers.size() < limit; ++i) {
            const rx::Span span = matches.span(i);
            if (span.begin > settled) {
                break;
            }
            numbers.emplace_back(span.text_in(text));
            next = std::max(next, span.end);
        }
        from += next;
    }
    return numbers;
}

}  // namespace qorvex::scan
