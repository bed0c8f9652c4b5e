#pragma once

#include <curl/curl.h>

#include <chrono>
#include <cstddef>
#include <string>

#include "web/bytes.h"

namespace qorvex::web {

struct CurlExchangeLimits {
    std::chrono::milliseconds stall_timeout{30000};  // longest wait for the next byte
    std::size_t body_cap = 0;                        // 0: no cap
};

struct CurlExchangeResult {
    bool completed = false;    // a reply was read (a body cut at the cap counts)
    bool body_capped = false;  // the body reached the cap and was cut there
    CURLcode code = CURLE_OK;
    long status = 0;
    Bytes body;
    std::string status_line;   // of the final reply, without its line end
    std::string header_lines;  // of the final reply, each ending in "\r\n"
};

// Runs a transfer on a handle whose request options are already set. It
// installs its own write, header, pre-request and progress callbacks: the
// body is collected up to the cap, the header block of the final reply
// (after redirects) is kept, and once connected the exchange is abandoned
// when no byte moves in either direction for the stall time-out.
CurlExchangeResult perform_curl_exchange(CURL* handle, const CurlExchangeLimits& limits);

}  // namespace qorvex::web
