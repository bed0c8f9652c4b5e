#pragma once

// The WinHTTP functions the transport calls, gathered so that a test can put
// recording stand-ins in their place and see which handle every call reaches
// once an abort has closed one. The real functions are the default.

#include <windows.h>
// The WinHTTP declarations build on <windows.h>.
#include <winhttp.h>

namespace qorvex::web {

struct WinHttpApi {
    decltype(&WinHttpOpen) open = &WinHttpOpen;
    decltype(&WinHttpConnect) connect = &WinHttpConnect;
    decltype(&WinHttpOpenRequest) open_request = &WinHttpOpenRequest;
    decltype(&WinHttpSetTimeouts) set_timeouts = &WinHttpSetTimeouts;
    decltype(&WinHttpSetOption) set_option = &WinHttpSetOption;
    decltype(&WinHttpAddRequestHeaders) add_request_headers = &WinHttpAddRequestHeaders;
    decltype(&WinHttpSendRequest) send_request = &WinHttpSendRequest;
    decltype(&WinHttpReceiveResponse) receive_response = &WinHttpReceiveResponse;
    decltype(&WinHttpQueryHeaders) query_headers = &WinHttpQueryHeaders;
    decltype(&WinHttpReadData) read_data = &WinHttpReadData;
    decltype(&WinHttpCloseHandle) close_handle = &WinHttpCloseHandle;
};

}  // namespace qorvex::web
