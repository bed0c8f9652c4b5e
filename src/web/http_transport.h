#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "web/bytes.h"

namespace qorvex::web {

// A reply body larger than this is cut here: the real replies are a few
// kilobytes, and a broken or hostile server must not exhaust memory.
inline constexpr std::size_t kReplyBodyCap = std::size_t{16} * 1024 * 1024;

// A whole exchange, redirects included, fails once it has taken this many
// times its time-out, so that a server sending a byte now and then cannot
// hold it (and a scan cycle's slot) until the body cap.
inline constexpr int kExchangeDeadlineFactor = 4;

struct HeaderField {
    std::string name;
    std::string value;

    friend bool operator==(const HeaderField&, const HeaderField&) = default;
};

// One exchange as web_access asks for it.
struct HttpRequest {
    std::string verb;
    std::string url;
    // Sent in this order. A field with an empty name cannot be sent and is
    // left out by the session; an empty value is sent as an empty header.
    std::vector<HeaderField> headers;
    Bytes body;
    // Name resolution plus connection, and every wait for the next byte of
    // the exchange, give up after this many milliseconds. Left out, the
    // session keeps the time-out it had.
    std::optional<int> timeout_ms;
    std::string proxy;  // "host:port"; empty: no proxy
    bool follow_redirects = true;
    // Once a stop is requested, from any thread, the exchange ends at once
    // as a failure. The default token is never stopped.
    std::stop_token stop;
};

// What came back. A failed exchange yields all three empty or zero; a body
// cut at kReplyBodyCap still counts as a reply.
struct HttpReply {
    Bytes body;
    // The header lines of the final reply (after redirects), each ending in
    // "\r\n", without the status line.
    std::string headers;
    int status = 0;
};

// A reusable request object: connections, time-outs and its own cookie
// store live as long as the session. One session serves one thread at a time.
class HttpSession {
public:
    virtual ~HttpSession() = default;
    virtual HttpReply exchange(const HttpRequest& request) = 0;
};

// Makes sessions; safe to call from several threads at once.
class HttpTransport {
public:
    virtual ~HttpTransport() = default;
    // nullptr when no request object can be made.
    virtual std::unique_ptr<HttpSession> open_session() = 0;
};

}  // namespace qorvex::web
