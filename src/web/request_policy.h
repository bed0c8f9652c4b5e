#pragma once

#include <optional>
#include <string>
#include <string_view>

// The method table, default header lines and reply-cookie rules that both
// HTTP exchanges of the program apply on top of their transport.
namespace qorvex::web {

inline constexpr int kMethodGet = 0;
inline constexpr int kMethodPost = 1;
inline constexpr std::string_view kDefaultUserAgent =
    "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";
inline constexpr std::string_view kFormContentType = "application/x-www-form-urlencoded";

// 0 GET, 1 POST, 2 HEAD, 3 PUT, 4 OPTIONS, 5 DELETE, 6 TRACE, 7 CONNECT;
// any other value counts as 0.
int normalized_method(int method);
std::string_view method_verb(int method);

// Appends `line` to the header block unless the block already holds
// `marker` (exact case); lines are joined by "\r\n".
void add_header_line_unless(std::string& block, std::string_view marker, std::string_view line);

// The lines every request carries unless the caller wrote them: Accept,
// Referer (the address itself) and Accept-Language, in that order.
void add_browser_header_lines(std::string& block, std::string_view url);

// The values of the block's "Set-Cookie" lines joined by "; ": each value up
// to its first ";", trimmed. Other header names, in any other spelling, are
// not cookies.
std::string set_cookie_values(std::string_view header_block);

// The received-cookie text of an exchange: the Set-Cookie values, merged
// with the sent cookies when they were given and merging is asked for (the
// merge also lands in `send_cookies`).
std::string received_cookie_text(std::string_view header_block,
                                 std::optional<std::string>& send_cookies, bool merge_cookies);

}  // namespace qorvex::web
