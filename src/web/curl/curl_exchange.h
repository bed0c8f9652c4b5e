#pragma once

#include <curl/curl.h>

#include <chrono>
#include <cstddef>
#include <optional>
#include <stop_token>
#include <string>

#include "web/bytes.h"

namespace qorvex::web {

struct CurlExchangeLimits {
    using Clock = std::chrono::steady_clock;

    std::chrono::milliseconds stall_timeout{30000};  // longest wait for the next byte
    std::size_t body_cap = 0;                        // 0: no cap
    // The whole exchange, connection and redirects included, fails when it
    // has not ended by then.
    std::optional<Clock::time_point> deadline;
    // A requested stop aborts the transfer within a poll interval.
    std::stop_token stop;
};

struct CurlExchangeResult {
    bool completed = false;    // a reply was read (a body cut at the cap counts)
    bool body_capped = false;  // the body reached the cap and was cut there
    bool stalled = false;      // abandoned after the stall time-out
    // Ended by a requested stop or by the deadline: what came is no reply.
    bool cut_short = false;
    CURLcode code = CURLE_OK;
    long status = 0;
    Bytes body;
    std::string status_line;   // of the final reply, without its line end
    std::string header_lines;  // of the final reply, each ending in "\r\n"
};

// Runs one transfer of `easy`, whose request options are already set, on
// `multi`, which keeps the connection afterwards. It installs its own write,
// header and pre-request callbacks: the body is collected up to the cap, the
// header block of the final reply (after redirects) is kept, and once
// connected the exchange is abandoned when no byte moves in either
// direction for the stall time-out (checked every few dozen milliseconds).
// The deadline and the stop token end it whatever phase it is in.
CurlExchangeResult perform_curl_exchange(CURLM* multi, CURL* easy,
                                         const CurlExchangeLimits& limits);

}  // namespace qorvex::web
