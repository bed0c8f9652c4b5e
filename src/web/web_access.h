#pragma once

#include <optional>
#include <stop_token>
#include <string>
#include <string_view>

#include "web/bytes.h"
#include "web/http_transport.h"
#include "web/request_policy.h"

namespace qorvex::web {

// The arguments of one web_access call, in the order the exchange knows
// them. A field left at its default counts as "not given"; where giving a
// value at all matters, the field is optional. Fields marked out are written
// by the call, in/out fields are read and then updated.
struct WebAccessArgs {
    std::string url;
    int method = kMethodGet;  // index into the method table; others mean GET
    std::string post_text;    // the body when post_bytes is empty
    // in/out. Given (even empty): sent as the Cookie header and, after a
    // merge, replaced by the merged cookie text.
    std::optional<std::string> send_cookies;
    std::string received_cookies;  // out: cookies the reply set, or the merge
    // in/out: "Name: value" lines joined by "\r\n"; the default lines are
    // appended to it, so it holds the whole block afterwards.
    std::string extra_headers;
    std::string response_headers;  // out: header lines of the final reply
    int status_code = 0;           // out: HTTP status, 0 when nothing came back
    bool no_redirect = false;
    Bytes post_bytes;   // when it holds a byte, sent instead of post_text
    std::string proxy;  // "host:port"; empty: no proxy
    // Seconds for every time-out: below 1 means 15; -1 leaves the request
    // object's own time-outs alone.
    int timeout_s = 0;
    std::string proxy_user;
    std::string proxy_password;
    bool proxy_basic_auth = true;  // send Basic credentials to the proxy
    // A request object the caller owns and keeps; nullptr: a new one per call.
    HttpSession* request_object = nullptr;
    bool merge_cookies = true;
    // Not one of the exchange's own arguments: a requested stop ends the
    // exchange at once as a failure (the program stops them when it closes).
    std::stop_token stop;
};

// Performs one HTTP exchange and returns the reply body; empty when the
// request object cannot be made (out fields then keep their values) or the
// exchange fails (status 0, empty reply headers).
Bytes web_access(HttpTransport& transport, WebAccessArgs& args);

// The common case: a request with every argument after `method` left out.
Bytes web_access(HttpTransport& transport, std::string_view url, int method = 0,
                 std::stop_token stop = {});

}  // namespace qorvex::web
