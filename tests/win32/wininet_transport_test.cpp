// The WinINet transport's handles after an abort, over recording stand-ins
// for WinINet's functions: once the abort has closed the request, the call
// still running must reach it no more, even when the read it was waiting in
// ends with bytes (as Wine's does when a byte arrives just after the close).

#include "web/wininet/wininet_transport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <stop_token>

#include "win32/handle_ledger.h"

namespace qorvex::test {
namespace {

HINTERNET WINAPI open_session(LPCSTR, DWORD, LPCSTR, LPCSTR, DWORD) {
    return HandleLedger::current().open();
}

HINTERNET WINAPI connect(HINTERNET session, LPCSTR, INTERNET_PORT, LPCSTR, LPCSTR, DWORD, DWORD,
                         DWORD_PTR) {
    return answer(session, "InternetConnectA") ? HandleLedger::current().open() : nullptr;
}

HINTERNET WINAPI open_request(HINTERNET connection, LPCSTR, LPCSTR, LPCSTR, LPCSTR, LPCSTR*, DWORD,
                              DWORD_PTR) {
    return answer(connection, "HttpOpenRequestA") ? HandleLedger::current().open() : nullptr;
}

BOOL WINAPI send_request(HINTERNET request, LPCSTR, DWORD, LPVOID, DWORD) {
    return answer(request, "HttpSendRequestA");
}

BOOL WINAPI read_file(HINTERNET request, LPVOID buffer, DWORD wanted, LPDWORD bytes_read) {
    return recorded_read(request, "InternetReadFile", buffer, wanted, bytes_read);
}

// No header block at all.
BOOL WINAPI query_info(HINTERNET request, DWORD, LPVOID, LPDWORD, LPDWORD) {
    if (answer(request, "HttpQueryInfoA")) {
        SetLastError(ERROR_HTTP_HEADER_NOT_FOUND);
    }
    return FALSE;
}

TEST(WinInetTransportHandles, NoCallReachesTheRequestAfterAnAbortClosedIt) {
    const web::WinInetApi api{&open_session, &connect,    &open_request, &send_request,
                              &read_file,    &query_info, &close_handle};
    for (const AbortRow& row : kAbortRows) {
        HandleLedger::current().start_case();
        {
            std::stop_source stop;
            web::FetchTarget target;
            target.host = "127.0.0.1";
            target.port = 80;
            target.verb = "GET";
            target.path = "/body";
            target.stop = stop.get_token();
            if (!row.by_stop) {
                target.deadline = std::chrono::milliseconds(400);
            }
            const auto exchange = web::make_wininet_transport(api)->open(target);
            ASSERT_NE(exchange, nullptr) << row.label;
            expect_empty_after_abort(row, stop, [&]() {
                const web::FetchReply reply = exchange->send("Accept: */*", {});
                return reply.body.empty() && reply.raw_headers.empty();
            });
        }
        expect_no_call_on_closed_handles(row);
    }
}

}  // namespace
}  // namespace qorvex::test
