#include "web/curl/curl_http_transport.h"

#include <chrono>
#include <string_view>

#include "web/curl/curl_easy.h"
#include "web/curl/curl_exchange.h"
#include "web/text_ops.h"

namespace qorvex::web {

namespace {

// A fresh request object waits as long as the platform's own does.
constexpr long kInitialConnectTimeoutMs = 60000;
constexpr long kInitialStallTimeoutMs = 30000;
constexpr long kMaxRedirects = 10;

bool same_name(std::string_view a, std::string_view b) {
    return lower_case(a) == lower_case(b);
}

bool has_field(const HttpRequest& request, std::string_view name) {
    for (const HeaderField& field : request.headers) {
        if (same_name(field.name, name)) {
            return true;
        }
    }
    return false;
}

class CurlHttpSession final : public HttpSession {
public:
    // Every exchange sets every option it uses, so the handle is never
    // reset: a reset would drop libcurl's record of the cookie store setting
    // without freeing it. Connections and the store live in the handles.
    CurlHttpSession(std::unique_ptr<CurlMulti> multi, std::unique_ptr<CurlEasy> easy)
        : m_multi(std::move(multi)), m_easy(std::move(easy)) {
        curl_easy_setopt(m_easy->get(), CURLOPT_COOKIEFILE, "");
    }

    HttpReply exchange(const HttpRequest& request) override {
        CURL* handle = m_easy->get();
        if (request.timeout_ms.has_value()) {
            m_connect_timeout_ms = *request.timeout_ms;
            m_stall_timeout_ms = *request.timeout_ms;
        }
        set_connection_options(handle, request);
        CurlHeaderList headers;
        CurlHeaderList proxy_headers;
        fill_header_lists(request, headers, proxy_headers);
        curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers.get());
        curl_easy_setopt(handle, CURLOPT_PROXYHEADER, proxy_headers.get());
        curl_easy_setopt(handle, CURLOPT_HEADEROPT, CURLHEADER_SEPARATE);
        set_method(handle, request);

        CurlExchangeLimits limits;
        limits.stall_timeout = std::chrono::milliseconds(m_stall_timeout_ms);
        limits.body_cap = kReplyBodyCap;
        limits.deadline =
            CurlExchangeLimits::Clock::now() + kExchangeDeadlineFactor * limits.stall_timeout;
        limits.stop = request.stop;
        CurlExchangeResult result = perform_curl_exchange(m_multi->get(), handle, limits);
        // The handle outlives the header lists and the body it was lent.
        curl_easy_setopt(handle, CURLOPT_HTTPHEADER, nullptr);
        curl_easy_setopt(handle, CURLOPT_PROXYHEADER, nullptr);
        curl_easy_setopt(handle, CURLOPT_POSTFIELDS, nullptr);
        if (!result.completed) {
            return {};
        }
        return {std::move(result.body), std::move(result.header_lines),
                static_cast<int>(result.status)};
    }

private:
    void set_connection_options(CURL* handle, const HttpRequest& request) const {
        curl_easy_setopt(handle, CURLOPT_URL, request.url.c_str());
        curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(handle, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_1);
        curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, m_connect_timeout_ms);
        curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 0L);
        curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 0L);
        curl_easy_setopt(handle, CURLOPT_PROXY_SSL_VERIFYPEER, 0L);
        curl_easy_setopt(handle, CURLOPT_PROXY_SSL_VERIFYHOST, 0L);
        // An empty text switches off proxies named by the environment.
        curl_easy_setopt(handle, CURLOPT_PROXY, request.proxy.c_str());
        curl_easy_setopt(handle, CURLOPT_NOPROXY, "");
        curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, request.follow_redirects ? 1L : 0L);
        curl_easy_setopt(handle, CURLOPT_MAXREDIRS, kMaxRedirects);
    }

    static void fill_header_lists(const HttpRequest& request, CurlHeaderList& headers,
                                  CurlHeaderList& proxy_headers) {
        for (const HeaderField& field : request.headers) {
            if (field.name.empty()) {
                continue;  // a nameless header cannot be sent
            }
            // Proxy credentials go to the proxy only, also through a tunnel.
            const bool for_proxy =
                !request.proxy.empty() && same_name(field.name, "Proxy-Authorization");
            (for_proxy ? proxy_headers : headers).add_field(field.name, field.value);
        }
        // libcurl would add these on its own; the request sends only what
        // it was given.
        for (const std::string_view own : {"Accept", "Content-Type", "Expect"}) {
            if (!has_field(request, own)) {
                headers.suppress(own);
            }
        }
    }

    static void set_method(CURL* handle, const HttpRequest& request) {
        // Back to a plain GET first, whatever the previous exchange sent.
        curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, nullptr);
        curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L);
        if (request.verb == "HEAD") {
            curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
            return;
        }
        if (!request.body.empty() || request.verb == "POST") {
            curl_easy_setopt(handle, CURLOPT_POST, 1L);
            // An empty body must still be a buffer: a null one makes libcurl
            // read the body from standard input.
            static constexpr char kNoBody[] = "";
            const void* data = request.body.empty() ? static_cast<const void*>(kNoBody)
                                                    : static_cast<const void*>(request.body.data());
            curl_easy_setopt(handle, CURLOPT_POSTFIELDS, data);
            curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE,
                             static_cast<curl_off_t>(request.body.size()));
        }
        if (request.verb != "GET" && request.verb != "POST") {
            curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, request.verb.c_str());
        } else if (request.verb == "GET" && !request.body.empty()) {
            curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, "GET");
        }
    }

    std::unique_ptr<CurlMulti> m_multi;
    std::unique_ptr<CurlEasy> m_easy;
    long m_connect_timeout_ms = kInitialConnectTimeoutMs;
    long m_stall_timeout_ms = kInitialStallTimeoutMs;
};

class CurlHttpTransport final : public HttpTransport {
public:
    std::unique_ptr<HttpSession> open_session() override {
        auto multi = std::make_unique<CurlMulti>();
        auto easy = std::make_unique<CurlEasy>();
        if (!*multi || !*easy) {
            return nullptr;
        }
        return std::make_unique<CurlHttpSession>(std::move(multi), std::move(easy));
    }
};

}  // namespace

std::unique_ptr<HttpTransport> make_curl_http_transport() {
    return std::make_unique<CurlHttpTransport>();
}

}  // namespace qorvex::web
