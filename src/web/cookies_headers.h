#pragma once

#include <string>
#include <string_view>
#include <vector>

// Text operations with which the HTTP exchanges turn a header block into
// name/value pairs, pick cookies out of Set-Cookie lines and merge the
// cookies they sent with those the server set. Positions are 1-based byte
// positions as in text_ops.h; comparisons are exact unless ignore_case.
namespace qorvex::web {

// Inside the markers of text_between this stands for one double quote, so
// that a caller can write a marker that holds one.
inline constexpr std::string_view kQuoteMarker = "#引号";

// The trimmed text before / after the first ":"; empty without a ":".
std::string header_name(std::string_view line);
std::string header_value(std::string_view line);

// The text from its beginning up to the first `separator` found at or after
// `start` (below 1 means 1); empty when the separator does not occur.
std::string text_before(std::string_view text, std::string_view separator, int start = 1,
                        bool ignore_case = false);

// The text between the first `left` found from `start` and the next `right`
// after it; empty when either is missing.
std::string text_between(std::string_view text, std::string_view left, std::string_view right,
                         int start = 0, bool ignore_case = false);

// Merges the cookies the server set (`received`, they win) with those that
// were sent: received first in server order, then sent ones whose names the
// server did not set, without items set to "deleted" and without repeats.
// Spaces are removed from both arguments; the result is also left in `sent`.
std::string cookie_merge(std::string& sent, std::string& received);

// The trimmed text before the first "=", or the whole trimmed item.
std::string cookie_name(std::string_view item);

bool cookie_list_has(const std::vector<std::string>& items, std::string_view name);

// The distinct items of `text` joined by `delimiter`, first occurrences in
// order. The items are the pieces between delimiters, or the characters of
// the text when `split_on_delimiter` is false.
std::string dedupe_items(std::string_view text, std::string_view delimiter,
                         bool split_on_delimiter);

// One item per character; "\r\n" is one item.
std::vector<std::string> split_chars(std::string_view text);

// 1-based index of the first item equal to `item`, -1 when there is none.
int index_of_item(const std::vector<std::string>& items, std::string_view item);

}  // namespace qorvex::web
