#include "hunt/notify/curl/http_sender.h"

#include <curl/curl.h>

#include <string_view>
#include <vector>

#include "web/curl/curl_easy.h"

namespace qorvex::hunt::notify {
namespace {

// A service's answer is a few hundred bytes of JSON; a body past this is not
// an answer worth keeping, and the transfer is cut off rather than filling memory.
constexpr std::size_t kMaxBodyBytes = 1U << 20U;

std::size_t on_body(char* data, std::size_t size, std::size_t count, void* user) {
    auto* body = static_cast<std::string*>(user);
    const std::size_t bytes = size * count;
    if (body->size() + bytes > kMaxBodyBytes) {
        return 0;
    }
    body->append(data, bytes);
    return bytes;
}

std::string trimmed(std::string_view text) {
    const auto begin = text.find_first_not_of(" \t\r\n");
    if (begin == std::string_view::npos) {
        return {};
    }
    const auto end = text.find_last_not_of(" \t\r\n");
    return std::string(text.substr(begin, end - begin + 1));
}

std::size_t on_header(char* data, std::size_t size, std::size_t count, void* user) {
    auto* headers = static_cast<std::vector<Header>*>(user);
    const std::size_t bytes = size * count;
    const std::string_view line(data, bytes);
    if (line.starts_with("HTTP/")) {
        headers->clear();  // a new response (after a 100 Continue): only the last one counts
    } else if (const auto colon = line.find(':'); colon != std::string_view::npos) {
        headers->push_back({trimmed(line.substr(0, colon)), trimmed(line.substr(colon + 1))});
    }
    return bytes;
}

}  // namespace

HttpAnswer send_http(const HttpRequest& request, const SendOptions& options) {
    HttpAnswer answer;
    web::CurlEasy easy;
    if (!easy) {
        answer.transport_error = "libcurl could not start a transfer";
        return answer;
    }
    CURL* handle = easy.get();
    web::CurlHeaderList headers;
    for (const auto& header : request.headers) {
        headers.add_field(header.name, header.value);
    }
    // A service that wants "100 Continue" first would cost a round trip.
    headers.suppress("Expect");
    char error[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, error);
    curl_easy_setopt(handle, CURLOPT_URL, request.url.c_str());
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, request.method.c_str());
    if (request.method == "POST") {
        curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE,
                         static_cast<curl_off_t>(request.body.size()));
        curl_easy_setopt(handle, CURLOPT_POSTFIELDS, request.body.data());
    }
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, static_cast<long>(options.timeout.count()));
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS,
                     static_cast<long>(options.connect_timeout.count()));
    // Worker threads send: no signal may interrupt them for a DNS time-out.
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    // A webhook is answered where it is: a redirect is the service's answer.
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 0L);
    if (!options.ca_file.empty()) {
        curl_easy_setopt(handle, CURLOPT_CAINFO, options.ca_file.c_str());
    }
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &on_body);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &answer.body);
    curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, &on_header);
    curl_easy_setopt(handle, CURLOPT_HEADERDATA, &answer.headers);

    const CURLcode result = curl_easy_perform(handle);
    if (result != CURLE_OK) {
        // Whatever part came is not an answer: the service may not have read it all.
        answer.status = 0;
        answer.transport_error = error[0] != '\0' ? error : curl_easy_strerror(result);
        return answer;
    }
    long status = 0;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
    answer.status = static_cast<int>(status);
    return answer;
}

}  // namespace qorvex::hunt::notify
