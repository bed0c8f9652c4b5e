#pragma once

// The WinINet functions the transport calls, gathered so that a test can put
// recording stand-ins in their place and see which handle every call reaches
// once an abort has closed one. The real functions are the default.

#include <windows.h>
// The WinINet declarations build on <windows.h>.
#include <wininet.h>

namespace qorvex::web {

struct WinInetApi {
    decltype(&InternetOpenA) open = &InternetOpenA;
    decltype(&InternetConnectA) connect = &InternetConnectA;
    decltype(&HttpOpenRequestA) open_request = &HttpOpenRequestA;
    decltype(&HttpSendRequestA) send_request = &HttpSendRequestA;
    decltype(&InternetReadFile) read_file = &InternetReadFile;
    decltype(&HttpQueryInfoA) query_info = &HttpQueryInfoA;
    decltype(&InternetCloseHandle) close_handle = &InternetCloseHandle;
};

}  // namespace qorvex::web
