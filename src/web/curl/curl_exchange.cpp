#include "web/curl/curl_exchange.h"

#include <string_view>

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

std::size_t on_header(char* data, std::size_t size, std::size_t count, void* user) {
    auto& collector = *static_cast<Collector*>(user);
    collector.touch();
    const std::size_t length = size * count;
    const std::string_view line = without_line_end(std::string_view(data, length));
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

int on_connected(void* user, char*, char*, int, int) {
    auto& collector = *static_cast<Collector*>(user);
    collector.connected = true;
    collector.touch();
    return CURL_PREREQFUNC_OK;
}

// Waits for socket activity at most this long between checks for a stall.
constexpr int kPollIntervalMs = 25;

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

    CurlExchangeResult& result = collector.result;
    result.code = run_transfer(multi, easy, collector);
    result.completed =
        result.code == CURLE_OK || (result.code == CURLE_WRITE_ERROR && result.body_capped);
    if (result.completed) {
        curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &result.status);
    }
    return std::move(result);
}

}  // namespace qorvex::web
