// The WinHTTP transport's handles after an abort, over recording stand-ins
// for WinHTTP's functions: once the abort has closed the request, the call
// still running must reach it no more, even when the read it was waiting in
// ends with bytes (as Wine's does when a byte arrives just after the close).

#include "web/winhttp/winhttp_transport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stop_token>

#include "win32/handle_ledger.h"

namespace qorvex::test {
namespace {

HINTERNET WINAPI open_session(LPCWSTR, DWORD, LPCWSTR, LPCWSTR, DWORD) {
    return HandleLedger::current().open();
}

HINTERNET WINAPI connect(HINTERNET session, LPCWSTR, INTERNET_PORT, DWORD) {
    return answer(session, "WinHttpConnect") ? HandleLedger::current().open() : nullptr;
}

HINTERNET WINAPI open_request(HINTERNET connection, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR*,
                              DWORD) {
    return answer(connection, "WinHttpOpenRequest") ? HandleLedger::current().open() : nullptr;
}

BOOL WINAPI set_timeouts(HINTERNET request, int, int, int, int) {
    return answer(request, "WinHttpSetTimeouts");
}

BOOL WINAPI set_option(HINTERNET request, DWORD, LPVOID, DWORD) {
    return answer(request, "WinHttpSetOption");
}

BOOL WINAPI add_request_headers(HINTERNET request, LPCWSTR, DWORD, DWORD) {
    return answer(request, "WinHttpAddRequestHeaders");
}

BOOL WINAPI send_request(HINTERNET request, LPCWSTR, DWORD, LPVOID, DWORD, DWORD, DWORD_PTR) {
    return answer(request, "WinHttpSendRequest");
}

BOOL WINAPI receive_response(HINTERNET request, LPVOID) {
    return answer(request, "WinHttpReceiveResponse");
}

// A status of 200 and no header lines.
BOOL WINAPI query_headers(HINTERNET request, DWORD info, LPCWSTR, LPVOID buffer, LPDWORD size,
                          LPDWORD) {
    if (!answer(request, "WinHttpQueryHeaders")) {
        return FALSE;
    }
    if (info == (WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER)) {
        const DWORD status = 200;
        std::memcpy(buffer, &status, sizeof(status));
        *size = sizeof(status);
        return TRUE;
    }
    SetLastError(ERROR_WINHTTP_HEADER_NOT_FOUND);
    return FALSE;
}

BOOL WINAPI read_data(HINTERNET request, LPVOID buffer, DWORD wanted, LPDWORD bytes_read) {
    return recorded_read(request, "WinHttpReadData", buffer, wanted, bytes_read);
}

TEST(WinHttpTransportHandles, NoCallReachesTheRequestAfterAnAbortClosedIt) {
    const web::WinHttpApi api{&open_session, &connect,          &open_request,
                              &set_timeouts, &set_option,       &add_request_headers,
                              &send_request, &receive_response, &query_headers,
                              &read_data,    &close_handle};
    for (const AbortRow& row : kAbortRows) {
        HandleLedger::current().start_case();
        {
            const auto session = web::make_winhttp_transport(api)->open_session();
            ASSERT_NE(session, nullptr) << row.label;
            std::stop_source stop;
            web::HttpRequest request;
            request.verb = "GET";
            request.url = "http://127.0.0.1/body";
            request.stop = stop.get_token();
            // The deadline is four waits: 400 ms, or four minutes when stopped.
            request.timeout_ms = row.by_stop ? 60000 : 100;
            expect_empty_after_abort(row, stop, [&]() {
                const web::HttpReply reply = session->exchange(request);
                return reply.status == 0 && reply.body.empty();
            });
        }
        expect_no_call_on_closed_handles(row);
    }
}

}  // namespace
}  // namespace qorvex::test
