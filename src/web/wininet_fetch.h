#pragma once

#include <optional>
#include <stop_token>
#include <string>
#include <string_view>

#include "web/bytes.h"
#include "web/fetch_transport.h"
#include "web/request_policy.h"

namespace qorvex::web {

// The arguments of one wininet_fetch call. A field left at its default
// counts as "not given"; where giving a value at all matters, the field is
// optional. Out fields are written by the call, in/out fields are read and
// then updated. When the request cannot be opened, none of them changes.
struct WininetFetchArgs {
    std::string url;          // "http://" or "https://" form
    int method = kMethodGet;  // index into the method table; others mean GET
    std::string post_text;    // the body of a non-GET request when post_bytes is empty
    // in/out. Given (even empty): no automatic cookie handling, and the base
    // of the cookie merge; not empty: also sent as a Cookie line.
    std::optional<std::string> send_cookies;
    std::string received_cookies;  // out: cookies the reply set, or the merge
    // in/out: "Name: value" lines joined by "\r\n". The default lines (and
    // the Cookie line) are appended to it, so it holds the sent block after.
    std::string extra_headers;
    // out: the reply's status line and header lines, "\r\n" line ends; empty
    // when no reply came.
    std::string response_headers;
    bool no_redirect = false;
    // in/out: the body of a non-GET request; when empty it is filled from
    // post_text, so the caller's variable holds the bytes that were sent.
    Bytes post_bytes;
    // A proxy server "host:port"; empty: direct. A plain address uses it for
    // http only ("http=" + proxy), a secure one for every scheme.
    std::string proxy;
    bool merge_cookies = true;
    // Not one of the exchange's own arguments: a requested stop ends the
    // exchange at once with nothing (the program stops it when it closes).
    std::stop_token stop;
};

// Performs one HTTP exchange through `transport` and returns the reply body;
// empty when the session, connection or request cannot be opened. The user
// agent is the caller's own User-Agent line when the header block has one,
// the default agent otherwise; server certificates are verified.
Bytes wininet_fetch(FetchTransport& transport, WininetFetchArgs& args);

// The common case: a GET with every argument after `url` left out.
Bytes wininet_fetch(FetchTransport& transport, std::string_view url, std::stop_token stop = {});

// The session's user agent for a caller's header block. Without a
// "User-Agent:" in any letter case it is the default agent; else the value
// of the exactly spelt line, or, when that gives nothing, the text after the
// block's first ":" (so a lone "user-agent: X" gives "X").
std::string fetch_user_agent(std::string_view extra_headers);

}  // namespace qorvex::web
