#include "web/wininet/wininet_transport.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "web/abortable_call.h"
#include "web/http_transport.h"
#include "win32/shared_handle.h"
#include "win32/wide_text.h"

namespace qorvex::web {

namespace {

constexpr DWORD kReadChunk = 1024;
constexpr DWORD kRawHeadersCrlf = HTTP_QUERY_RAW_HEADERS_CRLF;  // 22

// Closing the request from the watch's thread makes a call waiting on it fail.
using Handle = win32::SharedHandle<HINTERNET, decltype(WinInetApi::close_handle)>;

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
std::string raw_headers(const WinInetApi& api, const Handle& request) {
    DWORD size = 0;
    api.query_info(request.get(), kRawHeadersCrlf, nullptr, &size, nullptr);
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0) {
        return {};
    }
    std::string block(size, '\0');
    if (!api.query_info(request.get(), kRawHeadersCrlf, block.data(), &size, nullptr)) {
        return {};
    }
    block.resize(size);
    return win32::ansi_to_utf8(block);
}

// The handles of one request, closed request first, then connection, then
// session. Shared with the call that uses them, which may outlive the
// exchange when it is given up.
struct OpenRequest {
    WinInetApi api;
    Handle session;
    Handle connection;
    Handle request;

    OpenRequest(const WinInetApi& functions, HINTERNET session_handle, HINTERNET connection_handle,
                HINTERNET request_handle)
        : api(functions),
          session(session_handle, functions.close_handle),
          connection(connection_handle, functions.close_handle),
          request(request_handle, functions.close_handle) {}
};

// The request is read afresh for every call: once an abort has closed it,
// the calls fail instead of reaching a handle that WinINet may since have
// handed out to another exchange.
FetchReply send_and_read(const WinInetApi& api, const Handle& request, const std::string& headers,
                         const Bytes& body) {
    api.send_request(request.get(), headers.empty() ? nullptr : const_cast<char*>(headers.data()),
                     static_cast<DWORD>(headers.size()),
                     body.empty() ? nullptr : const_cast<std::uint8_t*>(body.data()),
                     static_cast<DWORD>(body.size()));
    FetchReply reply;
    char buffer[kReadChunk];
    while (reply.body.size() < kReplyBodyCap) {
        DWORD read = 0;
        if (!api.read_file(request.get(), buffer, kReadChunk, &read) || read == 0) {
            break;
        }
        reply.body.insert(reply.body.end(), buffer, buffer + read);
    }
    reply.raw_headers = raw_headers(api, request);
    return reply;
}

class WinInetExchange final : public FetchExchange {
public:
    WinInetExchange(std::shared_ptr<OpenRequest> opened, std::stop_token stop,
                    std::chrono::milliseconds deadline)
        : m_opened(std::move(opened)), m_stop(std::move(stop)), m_deadline(deadline) {}

    // WinINet bounds each wait, not the exchange, and has no stop of its own:
    // closing the request ends it, and what came back by then is dropped.
    FetchReply send(std::string_view header_block, const Bytes& body) override {
        struct Call {
            std::shared_ptr<OpenRequest> opened;
            std::string headers;
            Bytes body;
            FetchReply reply;
        };
        auto call = std::make_shared<Call>(
            Call{m_opened, win32::to_ansi(header_block), body, FetchReply{}});
        const bool ended = run_abortable(
            m_stop, AbortClock::now() + m_deadline,
            [call]() {
                call->reply = send_and_read(call->opened->api, call->opened->request, call->headers,
                                            call->body);
            },
            [call]() { call->opened->request.close(); });
        return ended ? std::move(call->reply) : FetchReply{};
    }

private:
    std::shared_ptr<OpenRequest> m_opened;
    const std::stop_token m_stop;
    const std::chrono::milliseconds m_deadline;
};

class WinInetTransport final : public FetchTransport {
public:
    explicit WinInetTransport(const WinInetApi& api) : m_api(api) {}

    std::unique_ptr<FetchExchange> open(const FetchTarget& target) override {
        // A port number outside 16 bits is refused, not wrapped onto another port.
        const std::optional<int> port = connection_port(target);
        if (!port) {
            return nullptr;
        }
        const std::string agent = win32::to_ansi(target.user_agent);
        const std::string proxy = win32::to_ansi(target.proxy);
        Handle session(
            m_api.open(agent.c_str(),
                       proxy.empty() ? INTERNET_OPEN_TYPE_DIRECT : INTERNET_OPEN_TYPE_PROXY,
                       proxy.empty() ? nullptr : proxy.c_str(), proxy.empty() ? nullptr : "", 0),
            m_api.close_handle);
        if (!session) {
            return nullptr;
        }
        const std::string host = win32::to_ansi(target.host);
        Handle connection(
            m_api.connect(session.get(), host.c_str(), static_cast<INTERNET_PORT>(*port), "", "",
                          INTERNET_SERVICE_HTTP, 0, 0),
            m_api.close_handle);
        if (!connection) {
            return nullptr;
        }
        const std::string verb = win32::to_ansi(target.verb);
        const std::string path = win32::to_ansi(target.path);
        HINTERNET request =
            m_api.open_request(connection.get(), verb.c_str(), path.c_str(), "HTTP/1.1", nullptr,
                               nullptr, request_flags(target.flags), 0);
        if (request == nullptr) {
            return nullptr;
        }
        return std::make_unique<WinInetExchange>(
            std::make_shared<OpenRequest>(m_api, session.release(), connection.release(), request),
            target.stop, target.deadline);
    }

private:
    const WinInetApi m_api;
};

}  // namespace

std::unique_ptr<FetchTransport> make_wininet_transport() {
    return make_wininet_transport(WinInetApi{});
}

std::unique_ptr<FetchTransport> make_wininet_transport(const WinInetApi& api) {
    return std::make_unique<WinInetTransport>(api);
}

}  // namespace qorvex::web
