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

int on_progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t uploaded) {
    auto& collector = *static_cast<Collector*>(user);
    if (uploaded != collector.uploaded) {
        collector.uploaded = uploaded;
        collector.touch();
    }
    // Before the connection stands, the connect time-out of the handle rules.
    const bool stalled = collector.connected && SteadyClock::now() - collector.last_activity >
                                                    collector.limits.stall_timeout;
    return stalled ? 1 : 0;
}

}  // namespace

CurlExchangeResult perform_curl_exchange(CURL* handle, const CurlExchangeLimits& limits) {
    Collector collector;
    collector.limits = limits;
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &on_body);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &collector);
    curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, &on_header);
    curl_easy_setopt(handle, CURLOPT_HEADERDATA, &collector);
    curl_easy_setopt(handle, CURLOPT_PREREQFUNCTION, &on_connected);
    curl_easy_setopt(handle, CURLOPT_PREREQDATA, &collector);
    curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &on_progress);
    curl_easy_setopt(handle, CURLOPT_XFERINFODATA, &collector);
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);

    CurlExchangeResult& result = collector.result;
    result.code = curl_easy_perform(handle);
    result.completed =
        result.code == CURLE_OK || (result.code == CURLE_WRITE_ERROR && result.body_capped);
    if (result.completed) {
        curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &result.status);
    }
    return std::move(result);
}

}  // namespace qorvex::web
