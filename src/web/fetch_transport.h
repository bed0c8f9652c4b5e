#pragma once

// The exchange behind wininet_fetch, the update check's lower-level HTTP
// path: one request per call, no session kept between calls.

#include "web/http_transport.h"

namespace qorvex::web {

class FetchTransport {
public:
    virtual ~FetchTransport() = default;
    // One exchange; a failed one yields an empty reply. Safe to call from
    // several threads at once.
    virtual HttpReply fetch(const HttpRequest& request) = 0;
};

}  // namespace qorvex::web
