#include "web/wininet/wininet_transport.h"

#include <windows.h>
// The WinINet declarations build on <windows.h>.
#include <wininet.h>

#include <cstdint>
#include <string>
#include <utility>

#include "web/http_transport.h"
#include "win32/wide_text.h"

namespace qorvex::web {

namespace {

constexpr DWORD kReadChunk = 1024;
constexpr DWORD kRawHeadersCrlf = HTTP_QUERY_RAW_HEADERS_CRLF;  // 22

class Handle {
public:
    explicit Handle(HINTERNET handle = nullptr) : m_handle(handle) {}
    ~Handle() {
        if (m_handle != nullptr) {
            InternetCloseHandle(m_handle);
        }
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    HINTERNET get() const { return m_handle; }
    HINTERNET release() { return std::exchange(m_handle, nullptr); }
    explicit operator bool() const { return m_handle != nullptr; }

private:
    HINTERNET m_handle;
};

DWORD request_flags(const FetchFlags& flags) {
    DWORD result = 0;
    if (flags.reload) {
        // From the origin server, with a temporary file where the reply cannot be cached.
        result |= INTERNET_FLAG_RELOAD | INTERNET_FLAG_NEED_FILE;
    }
    if (flags.no_cookies) {
        result |= INTERNET_FLAG_NO_COOKIES;
    }
    if (flags.no_auto_redirect) {
        result |= INTERNET_FLAG_NO_AUTO_REDIRECT;
    }
    if (flags.secure) {
        result |= INTERNET_FLAG_SECURE;
    }
    if (flags.ignore_redirect_to_https) {
        result |= INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS;
    }
    return result;
}

// The whole raw header block: asked for its size first, so a long block is
// never cut or left as a buffer of spaces.
std::string raw_headers(HINTERNET request) {
    DWORD size = 0;
    HttpQueryInfoA(request, kRawHeadersCrlf, nullptr, &size, nullptr);
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0) {
        return {};
    }
    std::string block(size, '\0');
    if (!HttpQueryInfoA(request, kRawHeadersCrlf, block.data(), &size, nullptr)) {
        return {};
    }
    block.resize(size);
    return win32::ansi_to_utf8(block);
}

class WinInetExchange final : public FetchExchange {
public:
    WinInetExchange(HINTERNET session, HINTERNET connection, HINTERNET request)
        : m_session(session), m_connection(connection), m_request(request) {}

    FetchReply send(std::string_view header_block, const Bytes& body) override {
        std::string headers = win32::to_ansi(header_block);
        HttpSendRequestA(m_request.get(), headers.empty() ? nullptr : headers.data(),
                         static_cast<DWORD>(headers.size()),
                         body.empty() ? nullptr : const_cast<std::uint8_t*>(body.data()),
                         static_cast<DWORD>(body.size()));
        FetchReply reply;
        char buffer[kReadChunk];
        while (reply.body.size() < kReplyBodyCap) {
            DWORD read = 0;
            if (!InternetReadFile(m_request.get(), buffer, kReadChunk, &read) || read == 0) {
                break;
            }
            reply.body.insert(reply.body.end(), buffer, buffer + read);
        }
        reply.raw_headers = raw_headers(m_request.get());
        return reply;
    }

private:
    // Closed request first, then connection, then session.
    Handle m_session;
    Handle m_connection;
    Handle m_request;
};

class WinInetTransport final : public FetchTransport {
public:
    std::unique_ptr<FetchExchange> open(const FetchTarget& target) override {
        const std::string agent = win32::to_ansi(target.user_agent);
        const std::string proxy = win32::to_ansi(target.proxy);
        Handle session(InternetOpenA(
            agent.c_str(), proxy.empty() ? INTERNET_OPEN_TYPE_DIRECT : INTERNET_OPEN_TYPE_PROXY,
            proxy.empty() ? nullptr : proxy.c_str(), proxy.empty() ? nullptr : "", 0));
        if (!session) {
            return nullptr;
        }
        const std::string host = win32::to_ansi(target.host);
        Handle connection(InternetConnectA(session.get(), host.c_str(),
                                           static_cast<INTERNET_PORT>(target.port), "", "",
                                           INTERNET_SERVICE_HTTP, 0, 0));
        if (!connection) {
            return nullptr;
        }
        const std::string verb = win32::to_ansi(target.verb);
        const std::string path = win32::to_ansi(target.path);
        HINTERNET request =
            HttpOpenRequestA(connection.get(), verb.c_str(), path.c_str(), "HTTP/1.1", nullptr,
                             nullptr, request_flags(target.flags), 0);
        if (request == nullptr) {
            return nullptr;
        }
        return std::make_unique<WinInetExchange>(session.release(), connection.release(), request);
    }
};

}  // namespace

std::unique_ptr<FetchTransport> make_wininet_transport() {
    return std::make_unique<WinInetTransport>();
}

}  // namespace qorvex::web
