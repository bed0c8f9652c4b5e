#include "web/curl/curl_fetch_transport.h"

#include <unistd.h>

#include <chrono>
#include <optional>
#include <string_view>
#include <utility>

#include "web/cookies_headers.h"
#include "web/curl/curl_easy.h"
#include "web/curl/curl_exchange.h"
#include "web/http_transport.h"
#include "web/text_ops.h"

namespace qorvex::web {

namespace {

// The waits of a fresh WinINet session: a minute to connect, half a minute
// for each next byte.
constexpr long kConnectTimeoutMs = 60000;
constexpr std::chrono::milliseconds kStallTimeout{kFetchStallTimeoutMs};
constexpr long kMaxRedirects = 10;
constexpr std::string_view kLineEnd = "\r\n";

bool block_has_field(std::string_view block, std::string_view name) {
    for (const std::string& line : split_text(block, kLineEnd)) {
        if (lower_case(header_name(line)) == lower_case(name)) {
            return true;
        }
    }
    return false;
}

// The block's lines as libcurl takes them. A line without a name cannot be
// sent and is left out.
void fill_header_list(std::string_view block, CurlHeaderList& headers) {
    for (const std::string& line : split_text(block, kLineEnd)) {
        const std::string name = header_name(line);
        if (!name.empty()) {
            headers.add_field(name, header_value(line));
        }
    }
    // libcurl would add these on its own; the request sends only the block.
    for (const std::string_view own : {"Accept", "Content-Type", "Expect"}) {
        if (!block_has_field(block, own)) {
            headers.suppress(own);
        }
    }
}

// A line break cannot be part of a header value: the agent ends at the first.
std::string single_line(std::string_view text) {
    return std::string(text.substr(0, text.find_first_of("\r\n")));
}

std::string address_of(const FetchTarget& target) {
    const bool literal_v6 = target.host.find(':') != std::string::npos;
    std::string address = target.flags.secure ? "https://" : "http://";
    address += literal_v6 ? "[" + target.host + "]" : target.host;
    address += ":" + std::to_string(target.port);
    if (!target.path.starts_with('/')) {
        address += '/';
    }
    return address + target.path;
}

class CurlFetchExchange final : public FetchExchange {
public:
    CurlFetchExchange(FetchTarget target, std::string ca_file, std::unique_ptr<CurlMulti> multi,
                      std::unique_ptr<CurlEasy> easy)
        : m_target(std::move(target)),
          m_ca_file(std::move(ca_file)),
          m_multi(std::move(multi)),
          m_easy(std::move(easy)) {}

    FetchReply send(std::string_view header_block, const Bytes& body) override {
        CURL* handle = m_easy->get();
        const std::string address = address_of(m_target);
        curl_easy_setopt(handle, CURLOPT_URL, address.c_str());
        set_session_options(handle);
        set_request_flags(handle);
        CurlHeaderList headers;
        fill_header_list(header_block, headers);
        curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers.get());
        set_method(handle, body);

        CurlExchangeLimits limits;
        limits.stall_timeout = kStallTimeout;
        limits.body_cap = kReplyBodyCap;
        limits.deadline = CurlExchangeLimits::Clock::now() + m_target.deadline;
        limits.stop = m_target.stop;
        CurlExchangeResult result = perform_curl_exchange(m_multi->get(), handle, limits);
        if (follows_with_own_proxy_choice()) {
            result = follow_choosing_proxies(handle, limits, std::move(result));
        }
        FetchReply reply;
        if (result.cut_short) {
            return reply;
        }
        reply.body = std::move(result.body);
        if (!result.status_line.empty()) {
            reply.raw_headers = result.status_line + std::string(kLineEnd) + result.header_lines +
                                std::string(kLineEnd);
        }
        return reply;
    }

private:
    // libcurl keeps its own copy of every option text.
    void set_session_options(CURL* handle) const {
        curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(handle, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_1);
        curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, kConnectTimeoutMs);
        const std::string agent = single_line(m_target.user_agent);
        curl_easy_setopt(handle, CURLOPT_USERAGENT, agent.c_str());
        set_proxy(handle, m_target.flags.secure);
        curl_easy_setopt(handle, CURLOPT_NOPROXY, "");
    }

    void set_proxy(CURL* handle, bool secure) const {
        const std::string proxy = proxy_for_scheme(m_target.proxy, secure ? "https" : "http");
        // An empty text switches off proxies named by the environment.
        curl_easy_setopt(handle, CURLOPT_PROXY, proxy.c_str());
    }

    // libcurl keeps one proxy along the redirects it follows, where the
    // request chooses again for each address. That matters only when a
    // plain request may be sent on to https and the two schemes name
    // different proxies; then the redirects are followed here.
    bool follows_with_own_proxy_choice() const {
        const FetchFlags& flags = m_target.flags;
        return !flags.no_auto_redirect && !flags.secure && flags.ignore_redirect_to_https &&
               proxy_for_scheme(m_target.proxy, "http") !=
                   proxy_for_scheme(m_target.proxy, "https");
    }

    CurlExchangeResult follow_choosing_proxies(CURL* handle, const CurlExchangeLimits& limits,
                                               CurlExchangeResult result) const {
        std::string verb = m_target.verb;
        for (long hops = 0; hops < kMaxRedirects && result.completed; ++hops) {
            char* location = nullptr;
            curl_easy_getinfo(handle, CURLINFO_REDIRECT_URL, &location);
            if (location == nullptr) {
                break;
            }
            const std::string next(location);
            curl_easy_setopt(handle, CURLOPT_URL, next.c_str());
            set_proxy(handle, lower_case(left_text(next, 8)) == "https://");
            // As libcurl does when it follows: a POST answered with 301, 302
            // or 303, and anything but HEAD answered with 303, goes on as GET.
            const bool to_get = (result.status == 303 && verb != "HEAD") ||
                                ((result.status == 301 || result.status == 302) && verb == "POST");
            if (to_get) {
                verb = "GET";
                curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, nullptr);
                curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L);
            }
            result = perform_curl_exchange(m_multi->get(), handle, limits);
        }
        return result;
    }

    void set_request_flags(CURL* handle) const {
        const FetchFlags& flags = m_target.flags;
        if (!flags.no_cookies) {
            // Cookies the reply sets travel on along its redirects.
            curl_easy_setopt(handle, CURLOPT_COOKIEFILE, "");
        }
        curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION,
                         flags.no_auto_redirect || follows_with_own_proxy_choice() ? 0L : 1L);
        curl_easy_setopt(handle, CURLOPT_MAXREDIRS, kMaxRedirects);
        const char* redirect_schemes = "http";
        if (flags.secure) {
            redirect_schemes = "https";
        } else if (flags.ignore_redirect_to_https) {
            redirect_schemes = "http,https";
        }
        curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, redirect_schemes);
        curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 1L);
        curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 2L);
        if (!m_ca_file.empty() && access(m_ca_file.c_str(), R_OK) == 0) {
            // The extra file joins the system's store instead of replacing it.
            char* system_store = nullptr;
            curl_easy_getinfo(handle, CURLINFO_CAPATH, &system_store);
            if (system_store != nullptr) {
                curl_easy_setopt(handle, CURLOPT_CAPATH, system_store);
            }
            curl_easy_setopt(handle, CURLOPT_CAINFO, m_ca_file.c_str());
        }
    }

    void set_method(CURL* handle, const Bytes& body) const {
        const std::string& verb = m_target.verb;
        if (verb == "HEAD") {
            curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
        } else if (verb != "GET") {
            // A request without a body still goes out with its length, 0,
            // and an empty body must still be a buffer: a null one makes
            // libcurl read standard input.
            static constexpr char kNoBody[] = "";
            const void* data = body.empty() ? static_cast<const void*>(kNoBody)
                                            : static_cast<const void*>(body.data());
            curl_easy_setopt(handle, CURLOPT_POST, 1L);
            curl_easy_setopt(handle, CURLOPT_POSTFIELDS, data);
            curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE,
                             static_cast<curl_off_t>(body.size()));
        }
        if (verb != "GET" && verb != "POST" && verb != "HEAD") {
            curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, verb.c_str());
        }
    }

    const FetchTarget m_target;
    const std::string m_ca_file;
    std::unique_ptr<CurlMulti> m_multi;
    std::unique_ptr<CurlEasy> m_easy;
};

class CurlFetchTransport final : public FetchTransport {
public:
    explicit CurlFetchTransport(std::string ca_file) : m_ca_file(std::move(ca_file)) {}

    std::unique_ptr<FetchExchange> open(const FetchTarget& target) override {
        const std::optional<int> port = connection_port(target);
        if (target.host.empty() || !port) {
            return nullptr;
        }
        FetchTarget opened = target;
        opened.port = *port;
        auto multi = std::make_unique<CurlMulti>();
        auto easy = std::make_unique<CurlEasy>();
        if (!*multi || !*easy) {
            return nullptr;
        }
        return std::make_unique<CurlFetchExchange>(std::move(opened), m_ca_file, std::move(multi),
                                                   std::move(easy));
    }

private:
    const std::string m_ca_file;
};

}  // namespace

std::unique_ptr<FetchTransport> make_curl_fetch_transport(std::string ca_file) {
    return std::make_unique<CurlFetchTransport>(std::move(ca_file));
}

}  // namespace qorvex::web
