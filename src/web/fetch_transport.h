#pragma once

// The exchange behind wininet_fetch, the update check's lower-level HTTP
// path. It follows the steps of the WinINet functions the path was made for:
// a session with a user agent and an optional proxy, a connection to a host
// and port, a request with a verb, a path and flags, then one send of a whole
// header block and a body, the body read to its end and the reply's raw
// header block. Nothing is kept between exchanges.

#include <chrono>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>

#include "web/bytes.h"
#include "web/http_transport.h"

namespace qorvex::web {

// The longest a fetch exchange waits for the next byte, as a fresh WinINet
// session does; the whole exchange gets kExchangeDeadlineFactor times it.
inline constexpr int kFetchStallTimeoutMs = 30000;
inline constexpr std::chrono::milliseconds kFetchDeadline{kExchangeDeadlineFactor *
                                                          kFetchStallTimeoutMs};

// What a request is opened with besides its verb and path.
struct FetchFlags {
    // Fetch from the origin server, never from a local cache.
    bool reload = true;
    // No automatic cookie handling: neither stored cookies are added nor
    // those the reply sets kept; the header block's own Cookie lines go out.
    bool no_cookies = false;
    bool no_auto_redirect = false;
    // TLS with the server certificate verified; a failed verification fails
    // the exchange. A secure request never follows a redirect to plain http.
    bool secure = false;
    // A plain request may follow a redirect to https.
    bool ignore_redirect_to_https = false;
};

struct FetchTarget {
    // Session.
    std::string user_agent;
    // A proxy list as WinINet reads it: empty for direct access; entries
    // separated by spaces or ";", each "server" (every scheme) or
    // "scheme=server" (that scheme only), the server as "host:port".
    std::string proxy;
    // Connection.
    std::string host;
    int port = 0;
    // Request.
    std::string verb;
    std::string path;  // path and query, as sent on the request line
    FetchFlags flags;
    // Once a stop is requested, from any thread, the exchange ends at once
    // with nothing. The default token is never stopped.
    std::stop_token stop;
    // The longest the whole exchange may take, from the send to the body's
    // end; one that has not ended by then ends with nothing, as a stopped
    // one does. Tests shorten it.
    std::chrono::milliseconds deadline = kFetchDeadline;
};

struct FetchReply {
    Bytes body;
    // The final reply's status line and header lines, each ending in "\r\n",
    // then the empty line; empty when no reply came.
    std::string raw_headers;
};

// The port a request connects to: the scheme's own for 0 (as a connection
// opened without one), nullopt for a number no port can have, which the
// transports refuse rather than fold into 16 bits.
std::optional<int> connection_port(const FetchTarget& target);

// An opened request, sent once.
class FetchExchange {
public:
    virtual ~FetchExchange() = default;
    // Sends the request with `header_block` ("Name: value" lines joined by
    // "\r\n") and `body`, and reads the reply. A failure on the way yields
    // what had come back by then, often nothing.
    virtual FetchReply send(std::string_view header_block, const Bytes& body) = 0;
};

// Opens requests; safe to call from several threads at once.
class FetchTransport {
public:
    virtual ~FetchTransport() = default;
    // Opens the session, the connection and the request; nullptr when any of
    // them cannot be made. No byte goes out before send.
    virtual std::unique_ptr<FetchExchange> open(const FetchTarget& target) = 0;
};

// The proxy server that a WinINet proxy list names for one scheme ("http"
// or "https"): the entry for that scheme, else the first entry for every
// scheme; empty when the list names none and the request goes direct.
std::string proxy_for_scheme(std::string_view proxy_list, std::string_view scheme);

}  // namespace qorvex::web
