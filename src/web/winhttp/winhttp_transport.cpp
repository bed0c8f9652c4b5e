#include "web/winhttp/winhttp_transport.h"

#include <windows.h>
// The WinHTTP declarations build on <windows.h>.
#include <winhttp.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "win32/wide_text.h"

namespace qorvex::web {

namespace {

// The scriptable request object's own waits until a request sets them.
constexpr int kInitialResolveTimeoutMs = 0;  // no limit
constexpr int kInitialConnectTimeoutMs = 60000;
constexpr int kInitialSendTimeoutMs = 30000;
constexpr int kInitialReceiveTimeoutMs = 30000;

// Unknown issuer, wrong usage, name mismatch, expired: option 4 = 0x3300 of
// the scriptable object.
constexpr DWORD kIgnoredCertificateErrors =
    SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_CERT_WRONG_USAGE |
    SECURITY_FLAG_IGNORE_CERT_CN_INVALID | SECURITY_FLAG_IGNORE_CERT_DATE_INVALID;

class Handle {
public:
    explicit Handle(HINTERNET handle = nullptr) : m_handle(handle) {}
    ~Handle() {
        if (m_handle != nullptr) {
            WinHttpCloseHandle(m_handle);
        }
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    HINTERNET get() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr; }

private:
    HINTERNET m_handle;
};

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

std::wstring query_text(HINTERNET request, DWORD info) {
    DWORD size = 0;
    WinHttpQueryHeaders(request, info, WINHTTP_HEADER_NAME_BY_INDEX, WINHTTP_NO_OUTPUT_BUFFER,
                        &size, WINHTTP_NO_HEADER_INDEX);
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0) {
        return {};
    }
    std::wstring text(size / sizeof(wchar_t), L'\0');
    if (!WinHttpQueryHeaders(request, info, WINHTTP_HEADER_NAME_BY_INDEX, text.data(), &size,
                             WINHTTP_NO_HEADER_INDEX)) {
        return {};
    }
    text.resize(size / sizeof(wchar_t));
    return text;
}

// The header lines of the reply, each ending in "\r\n": the raw block
// without its status line and without the empty line that ends it.
std::string header_lines(HINTERNET request) {
    std::string block = win32::to_utf8(query_text(request, WINHTTP_QUERY_RAW_HEADERS_CRLF));
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

Bytes read_body(HINTERNET request) {
    Bytes body;
    std::vector<char> buffer(8192);
    while (body.size() < kReplyBodyCap) {
        DWORD read = 0;
        const auto wanted =
            static_cast<DWORD>(std::min<std::size_t>(buffer.size(), kReplyBodyCap - body.size()));
        if (!WinHttpReadData(request, buffer.data(), wanted, &read) || read == 0) {
            break;
        }
        body.insert(body.end(), buffer.begin(), buffer.begin() + read);
    }
    return body;
}

class WinHttpSession final : public HttpSession {
public:
    explicit WinHttpSession(HINTERNET session) : m_session(session) {}

    HttpReply exchange(const HttpRequest& request) override {
        if (request.timeout_ms.has_value()) {
            m_timeouts.fill(*request.timeout_ms);
        }
        UrlParts url;
        if (!split_url(win32::to_wide(request.url), url)) {
            return {};
        }
        Handle connection(WinHttpConnect(m_session.get(), url.host.c_str(), url.port, 0));
        const std::wstring verb = win32::to_wide(request.verb);
        Handle opened(connection ? WinHttpOpenRequest(connection.get(), verb.c_str(),
                                                      url.path.c_str(), nullptr, WINHTTP_NO_REFERER,
                                                      WINHTTP_DEFAULT_ACCEPT_TYPES,
                                                      url.secure ? WINHTTP_FLAG_SECURE : 0)
                                 : nullptr);
        if (!opened || !prepare(opened.get(), request)) {
            return {};
        }
        const void* body = request.body.empty() ? WINHTTP_NO_REQUEST_DATA : request.body.data();
        const auto length = static_cast<DWORD>(request.body.size());
        if (!WinHttpSendRequest(opened.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0,
                                const_cast<void*>(body), length, length, 0) ||
            !WinHttpReceiveResponse(opened.get(), nullptr)) {
            return {};
        }
        HttpReply reply;
        DWORD status = 0;
        DWORD size = sizeof(status);
        WinHttpQueryHeaders(opened.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                            WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX);
        reply.status = static_cast<int>(status);
        reply.headers = header_lines(opened.get());
        // A HEAD reply announces a body that never comes.
        if (request.verb != "HEAD") {
            reply.body = read_body(opened.get());
        }
        return reply;
    }

private:
    bool prepare(HINTERNET request, const HttpRequest& what) const {
        WinHttpSetTimeouts(request, m_timeouts[0], m_timeouts[1], m_timeouts[2], m_timeouts[3]);
        DWORD security = kIgnoredCertificateErrors;
        WinHttpSetOption(request, WINHTTP_OPTION_SECURITY_FLAGS, &security, sizeof(security));
        if (!what.follow_redirects) {
            DWORD disabled = WINHTTP_DISABLE_REDIRECTS;
            WinHttpSetOption(request, WINHTTP_OPTION_DISABLE_FEATURE, &disabled, sizeof(disabled));
        }
        if (!what.proxy.empty()) {
            std::wstring proxy = win32::to_wide(what.proxy);
            WINHTTP_PROXY_INFO named{WINHTTP_ACCESS_TYPE_NAMED_PROXY, proxy.data(), nullptr};
            if (!WinHttpSetOption(request, WINHTTP_OPTION_PROXY, &named, sizeof(named))) {
                return false;
            }
        }
        for (const HeaderField& field : what.headers) {
            if (field.name.empty()) {
                continue;  // a nameless header cannot be sent
            }
            const std::wstring line = win32::to_wide(field.name + ": " + field.value);
            WinHttpAddRequestHeaders(request, line.c_str(), static_cast<DWORD>(line.size()),
                                     WINHTTP_ADDREQ_FLAG_ADD);
        }
        return true;
    }

    Handle m_session;
    std::array<int, 4> m_timeouts{kInitialResolveTimeoutMs, kInitialConnectTimeoutMs,
                                  kInitialSendTimeoutMs, kInitialReceiveTimeoutMs};
};

class WinHttpTransport final : public HttpTransport {
public:
    std::unique_ptr<HttpSession> open_session() override {
        // No agent of its own: the request's User-Agent line is the one sent.
        HINTERNET session = WinHttpOpen(nullptr, WINHTTP_ACCESS_TYPE_NO_PROXY,
                                        WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
        if (session == nullptr) {
            return nullptr;
        }
        return std::make_unique<WinHttpSession>(session);
    }
};

}  // namespace

std::unique_ptr<HttpTransport> make_winhttp_transport() {
    return std::make_unique<WinHttpTransport>();
}

}  // namespace qorvex::web
