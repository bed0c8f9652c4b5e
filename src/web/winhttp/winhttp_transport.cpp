#include "web/winhttp/winhttp_transport.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "web/abortable_call.h"
#include "win32/shared_handle.h"
#include "win32/wide_text.h"

namespace qorvex::web {

namespace {

// The scriptable request object's own waits until a request sets them.
constexpr int kInitialResolveTimeoutMs = 0;  // no limit
constexpr int kInitialConnectTimeoutMs = 60000;
constexpr int kInitialSendTimeoutMs = 30000;
constexpr int kInitialReceiveTimeoutMs = 30000;
// Where the receive wait stands among the four (resolve, connect, send, receive).
constexpr std::size_t kReceiveWait = 3;

// Unknown issuer, wrong usage, name mismatch, expired: option 4 = 0x3300 of
// the scriptable object.
constexpr DWORD kIgnoredCertificateErrors =
    SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_CERT_WRONG_USAGE |
    SECURITY_FLAG_IGNORE_CERT_CN_INVALID | SECURITY_FLAG_IGNORE_CERT_DATE_INVALID;

// Closing the request from the watch's thread makes a call waiting on it
// fail. Every call reads the handle afresh, so the calls after an abort get
// null instead of a value WinHTTP may since have handed to another exchange.
using Handle = win32::SharedHandle<HINTERNET, decltype(WinHttpApi::close_handle)>;

struct UrlParts {
    bool secure = false;
    std::wstring host;
    INTERNET_PORT port = 0;
    std::wstring path;  // path and query
};

bool split_url(const std::wstring& url, UrlParts& parts) {
    URL_COMPONENTS components{};
    components.dwStructSize = sizeof(components);
    components.dwHostNameLength = static_cast<DWORD>(-1);
    components.dwUrlPathLength = static_cast<DWORD>(-1);
    components.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (!WinHttpCrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &components)) {
        return false;
    }
    parts.secure = components.nScheme == INTERNET_SCHEME_HTTPS;
    parts.host.assign(components.lpszHostName, components.dwHostNameLength);
    parts.port = components.nPort;
    parts.path.assign(components.lpszUrlPath, components.dwUrlPathLength);
    parts.path.append(components.lpszExtraInfo, components.dwExtraInfoLength);
    if (parts.path.empty()) {
        parts.path = L"/";
    }
    return !parts.host.empty();
}

std::wstring query_text(const WinHttpApi& api, const Handle& request, DWORD info) {
    DWORD size = 0;
    api.query_headers(request.get(), info, WINHTTP_HEADER_NAME_BY_INDEX, WINHTTP_NO_OUTPUT_BUFFER,
                      &size, WINHTTP_NO_HEADER_INDEX);
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0) {
        return {};
    }
    std::wstring text(size / sizeof(wchar_t), L'\0');
    if (!api.query_headers(request.get(), info, WINHTTP_HEADER_NAME_BY_INDEX, text.data(), &size,
                           WINHTTP_NO_HEADER_INDEX)) {
        return {};
    }
    text.resize(size / sizeof(wchar_t));
    return text;
}

// The header lines of the reply, each ending in "\r\n": the raw block
// without its status line and without the empty line that ends it.
std::string header_lines(const WinHttpApi& api, const Handle& request) {
    std::string block = win32::to_utf8(query_text(api, request, WINHTTP_QUERY_RAW_HEADERS_CRLF));
    const std::size_t first_end = block.find("\r\n");
    if (first_end == std::string::npos) {
        return {};
    }
    block.erase(0, first_end + 2);
    while (block.size() >= 4 && block.ends_with("\r\n\r\n")) {
        block.erase(block.size() - 2);
    }
    return block == "\r\n" ? std::string() : block;
}

// The body length the reply's Content-Length line announces, if it has one.
// A length too large for any number announces a body that can never come
// whole, so the exchange fails rather than ending the program.
std::optional<std::uint64_t> announced_length(const WinHttpApi& api, const Handle& request) {
    const std::string text = win32::to_utf8(query_text(api, request, WINHTTP_QUERY_CONTENT_LENGTH));
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    std::uint64_t length = 0;
    if (std::from_chars(text.data(), text.data() + text.size(), length).ec ==
        std::errc::result_out_of_range) {
        return std::numeric_limits<std::uint64_t>::max();
    }
    return length;
}

// The body up to the cap; nullopt when the transfer broke off before its
// end: a read fails, or the connection ends before the announced length
// (which some WinHTTP implementations report as a normal end).
std::optional<Bytes> read_body(const WinHttpApi& api, const Handle& request) {
    Bytes body;
    std::vector<char> buffer(8192);
    while (body.size() < kReplyBodyCap) {
        DWORD read = 0;
        const auto wanted =
            static_cast<DWORD>(std::min<std::size_t>(buffer.size(), kReplyBodyCap - body.size()));
        if (!api.read_data(request.get(), buffer.data(), wanted, &read)) {
            return std::nullopt;
        }
        if (read == 0) {
            const std::optional<std::uint64_t> announced = announced_length(api, request);
            if (announced && body.size() < *announced) {
                return std::nullopt;
            }
            break;
        }
        body.insert(body.end(), buffer.begin(), buffer.begin() + read);
    }
    return body;
}

struct Call {
    WinHttpApi api;
    HttpRequest request;
    // The request keeps its connection; both close when the call is done.
    std::shared_ptr<Handle> connection;
    std::shared_ptr<Handle> opened;
    HttpReply reply;
};

class WinHttpSession final : public HttpSession {
public:
    WinHttpSession(const WinHttpApi& api, HINTERNET session)
        : m_api(api), m_session(session, api.close_handle) {}

    HttpReply exchange(const HttpRequest& request) override {
        if (request.timeout_ms.has_value()) {
            m_timeouts.fill(*request.timeout_ms);
        }
        UrlParts url;
        if (!split_url(win32::to_wide(request.url), url)) {
            return {};
        }
        // The call may outlive this exchange when it is given up: it owns its
        // handles, its copy of the request and its reply.
        auto call = std::make_shared<Call>();
        call->api = m_api;
        call->request = request;
        const HINTERNET session = session_for(request.proxy);
        call->connection = std::make_shared<Handle>(
            session != nullptr ? m_api.connect(session, url.host.c_str(), url.port, 0) : nullptr,
            m_api.close_handle);
        const std::wstring verb = win32::to_wide(request.verb);
        call->opened = std::make_shared<Handle>(
            *call->connection
                ? m_api.open_request(call->connection->get(), verb.c_str(), url.path.c_str(),
                                     nullptr, WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                     url.secure ? WINHTTP_FLAG_SECURE : 0)
                : nullptr,
            m_api.close_handle);
        if (!*call->opened) {
            return {};
        }
        prepare(call->opened->get(), request);
        // WinHTTP bounds each wait, not the exchange, and has no stop of its
        // own: closing the request ends it.
        const bool ended = run_abortable(
            request.stop, AbortClock::now() + deadline(),
            [call]() { call->reply = send_and_read(call->api, *call->opened, call->request); },
            [opened = call->opened]() { opened->close(); });
        return ended ? std::move(call->reply) : HttpReply{};
    }

private:
    // The proxy is a session setting: a request's own proxy option is not
    // honoured by every WinHTTP (Wine's ignores it). Each proxy named gets a
    // session of its own, kept with this one; nullptr when none can be made.
    HINTERNET session_for(const std::string& proxy) {
        if (proxy.empty()) {
            return m_session.get();
        }
        auto found = m_proxy_sessions.find(proxy);
        if (found == m_proxy_sessions.end()) {
            const std::wstring name = win32::to_wide(proxy);
            HINTERNET opened = m_api.open(nullptr, WINHTTP_ACCESS_TYPE_NAMED_PROXY, name.c_str(),
                                          WINHTTP_NO_PROXY_BYPASS, 0);
            if (opened == nullptr) {
                return nullptr;
            }
            found = m_proxy_sessions
                        .emplace(proxy, std::make_unique<Handle>(opened, m_api.close_handle))
                        .first;
        }
        return found->second->get();
    }

    // A whole exchange may take kExchangeDeadlineFactor times the wait for
    // the next byte of the reply.
    std::chrono::milliseconds deadline() const {
        return std::chrono::milliseconds(std::int64_t{kExchangeDeadlineFactor} *
                                         m_timeouts[kReceiveWait]);
    }

    // Every value read after a failure is empty or zero: a body cut off on
    // the way is no reply, whatever status and headers came before it.
    static HttpReply send_and_read(const WinHttpApi& api, const Handle& opened,
                                   const HttpRequest& request) {
        const void* body = request.body.empty() ? WINHTTP_NO_REQUEST_DATA : request.body.data();
        const auto length = static_cast<DWORD>(request.body.size());
        if (!api.send_request(opened.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0,
                              const_cast<void*>(body), length, length, 0) ||
            !api.receive_response(opened.get(), nullptr)) {
            return {};
        }
        HttpReply reply;
        DWORD status = 0;
        DWORD size = sizeof(status);
        api.query_headers(opened.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                          WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX);
        reply.status = static_cast<int>(status);
        reply.headers = header_lines(api, opened);
        // A HEAD reply announces a body that never comes.
        if (request.verb != "HEAD") {
            std::optional<Bytes> read = read_body(api, opened);
            if (!read) {
                return {};
            }
            reply.body = std::move(*read);
        }
        return reply;
    }

    void prepare(HINTERNET request, const HttpRequest& what) const {
        m_api.set_timeouts(request, m_timeouts[0], m_timeouts[1], m_timeouts[2], m_timeouts[3]);
        // The wait for the reply's header lines is a time-out of its own,
        // which WinHttpSetTimeouts leaves at its default of a minute or more;
        // Wine's WinHTTP also waits for every byte of the body under it.
        auto response_wait = static_cast<DWORD>(m_timeouts[kReceiveWait]);
        m_api.set_option(request, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &response_wait,
                         sizeof(response_wait));
        DWORD security = kIgnoredCertificateErrors;
        m_api.set_option(request, WINHTTP_OPTION_SECURITY_FLAGS, &security, sizeof(security));
        if (!what.follow_redirects) {
            DWORD disabled = WINHTTP_DISABLE_REDIRECTS;
            m_api.set_option(request, WINHTTP_OPTION_DISABLE_FEATURE, &disabled, sizeof(disabled));
        }
        for (const HeaderField& field : what.headers) {
            if (field.name.empty()) {
                continue;  // a nameless header cannot be sent
            }
            const std::wstring line = win32::to_wide(field.name + ": " + field.value);
            m_api.add_request_headers(request, line.c_str(), static_cast<DWORD>(line.size()),
                                      WINHTTP_ADDREQ_FLAG_ADD);
        }
    }

    const WinHttpApi m_api;
    Handle m_session;
    std::map<std::string, std::unique_ptr<Handle>> m_proxy_sessions;
    std::array<int, 4> m_timeouts{kInitialResolveTimeoutMs, kInitialConnectTimeoutMs,
                                  kInitialSendTimeoutMs, kInitialReceiveTimeoutMs};
};

class WinHttpTransport final : public HttpTransport {
public:
    explicit WinHttpTransport(const WinHttpApi& api) : m_api(api) {}

    std::unique_ptr<HttpSession> open_session() override {
        // No agent of its own: the request's User-Agent line is the one sent.
        HINTERNET session = m_api.open(nullptr, WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                       WINHTTP_NO_PROXY_BYPASS, 0);
        if (session == nullptr) {
            return nullptr;
        }
        return std::make_unique<WinHttpSession>(m_api, session);
    }

private:
    const WinHttpApi m_api;
};

}  // namespace

std::unique_ptr<HttpTransport> make_winhttp_transport() {
    return make_winhttp_transport(WinHttpApi{});
}

std::unique_ptr<HttpTransport> make_winhttp_transport(const WinHttpApi& api) {
    return std::make_unique<WinHttpTransport>(api);
}

}  // namespace qorvex::web
