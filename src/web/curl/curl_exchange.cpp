#include "web/curl/curl_exchange.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>
#include <system_error>

#include "web/text_ops.h"

namespace qorvex::web {

namespace {

using SteadyClock = std::chrono::steady_clock;

struct Collector {
    CurlExchangeLimits limits;
    CurlExchangeResult result;
    bool connected = false;
    SteadyClock::time_point last_activity = SteadyClock::now();
    curl_off_t uploaded = 0;

    void touch() { last_activity = SteadyClock::now(); }
};

std::string_view without_line_end(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.remove_suffix(1);
    }
    return line;
}

std::size_t on_body(char* data, std::size_t size, std::size_t count, void* user) {
    auto& collector = *static_cast<Collector*>(user);
    collector.touch();
    const std::size_t length = size * count;
    Bytes& body = collector.result.body;
    std::size_t taken = length;
    if (collector.limits.body_cap != 0 && body.size() + length > collector.limits.body_cap) {
        taken = collector.limits.body_cap - body.size();
        collector.result.body_capped = true;
    }
    body.insert(body.end(), data, data + taken);
    // Taking less than was offered makes libcurl end the transfer.
    return collector.result.body_capped ? 0 : length;
}

// Whether the line is a Content-Length whose value no 64-bit number holds.
// libcurl reads such a reply on to the connection's end as if it announced
// no length; a body that long can never have come whole.
bool announces_impossible_length(std::string_view line) {
    constexpr std::string_view kName = "content-length:";
    if (line.size() < kName.size() || lower_case(line.substr(0, kName.size())) != kName) {
        return false;
    }
    const std::string value = trim_spaces(line.substr(kName.size()));
    if (value.empty() || value.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    std::uint64_t length = 0;
    return std::from_chars(value.data(), value.data() + value.size(), length).ec ==
           std::errc::result_out_of_range;
}

std::size_t on_header(char* data, std::size_t size, std::size_t count, void* user) {
    auto& collector = *static_cast<Collector*>(user);
    collector.touch();
    const std::size_t length = size * count;
    const std::string_view line = without_line_end(std::string_view(data, length));
    if (announces_impossible_length(line)) {
        return 0;  // taking less than was offered fails the transfer
    }
    if (line.starts_with("HTTP/")) {
        // A new reply begins (a redirect, an interim reply or a proxy's
        // answer came before it): only the final reply's block is kept.
        collector.result.status_line = std::string(line);
        collector.result.header_lines.clear();
    } else if (!line.empty()) {
        collector.result.header_lines.append(line);
        collector.result.header_lines.append("\r\n");
    }
    return length;
}

// libcurl calls this between its steps, also while nothing moves; a
// non-zero answer aborts the transfer.
int on_progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto& collector = *static_cast<Collector*>(user);
    return collector.limits.stop.stop_requested() ? 1 : 0;
}

int on_connected(void* user, char*, char*, int, int) {
    auto& collector = *static_cast<Collector*>(user);
    collector.connected = true;
    collector.touch();
    return CURL_PREREQFUNC_OK;
}

// How much earlier than the deadline by the steady clock libcurl's own
// timer may end a transfer (a few milliseconds were seen).
constexpr std::chrono::milliseconds kTimerSlack{100};

// Waits for socket activity at most this long between checks for a stall.
constexpr int kPollIntervalMs = 25;

// 0 leaves the transfer without a deadline; one already past still gets a
// millisecond, since 0 would mean none.
long time_left_ms(const std::optional<SteadyClock::time_point>& deadline) {
    if (!deadline) {
        return 0;
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(*deadline - SteadyClock::now());
    return std::max<long>(1, static_cast<long>(left.count()));
}

bool is_stalled(Collector& collector, CURL* easy) {
    curl_off_t uploaded = 0;
    curl_easy_getinfo(easy, CURLINFO_SIZE_UPLOAD_T, &uploaded);
    if (uploaded != collector.uploaded) {
        collector.uploaded = uploaded;
        collector.touch();
    }
    // Before the connection stands, the connect time-out of the handle rules.
    return collector.connected &&
           SteadyClock::now() - collector.last_activity > collector.limits.stall_timeout;
}

CURLcode run_transfer(CURLM* multi, CURL* easy, Collector& collector) {
    if (curl_multi_add_handle(multi, easy) != CURLM_OK) {
        return CURLE_FAILED_INIT;
    }
    CURLcode code = CURLE_OK;
    while (true) {
        int running = 0;
        if (curl_multi_perform(multi, &running) != CURLM_OK) {
            code = CURLE_RECV_ERROR;
            break;
        }
        if (running == 0) {
            int queued = 0;
            const CURLMsg* message = curl_multi_info_read(multi, &queued);
            code = message != nullptr && message->msg == CURLMSG_DONE ? message->data.result
                                                                      : CURLE_RECV_ERROR;
            break;
        }
        if (is_stalled(collector, easy)) {
            collector.result.stalled = true;
            code = CURLE_OPERATION_TIMEDOUT;
            break;
        }
        curl_multi_poll(multi, nullptr, 0, kPollIntervalMs, nullptr);
    }
    curl_multi_remove_handle(multi, easy);
    return code;
}

}  // namespace

CurlExchangeResult perform_curl_exchange(CURLM* multi, CURL* easy,
                                         const CurlExchangeLimits& limits) {
    Collector collector;
    collector.limits = limits;
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &on_body);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &collector);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &on_header);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, &collector);
    curl_easy_setopt(easy, CURLOPT_PREREQFUNCTION, &on_connected);
    curl_easy_setopt(easy, CURLOPT_PREREQDATA, &collector);
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &on_progress);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, &collector);
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, time_left_ms(limits.deadline));

    CurlExchangeResult& result = collector.result;
    result.code = run_transfer(multi, easy, collector);
    result.completed =
        result.code == CURLE_OK || (result.code == CURLE_WRITE_ERROR && result.body_capped);
    // libcurl's timer may fire a little before the deadline by this clock.
    result.cut_short = result.code == CURLE_ABORTED_BY_CALLBACK ||
                       (result.code == CURLE_OPERATION_TIMEDOUT && limits.deadline &&
                        SteadyClock::now() + kTimerSlack >= *limits.deadline);
    if (result.completed) {
        curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &result.status);
    }
    return std::move(result);
}

}  // namespace qorvex::web
