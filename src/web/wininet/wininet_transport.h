#pragma once

#include <memory>

#include "web/fetch_transport.h"
#include "web/wininet/wininet_api.h"

namespace qorvex::web {

// The exchange of wininet_fetch over the WinINet functions themselves
// (InternetOpenA, InternetConnectA, HttpOpenRequestA, HttpSendRequestA,
// InternetReadFile, HttpQueryInfoA, InternetCloseHandle). Server
// certificates are verified against the system's store, as WinINet does by
// default; the reply's raw header block is read whole, however long.
std::unique_ptr<FetchTransport> make_wininet_transport();

// The same over the functions `api` names instead of WinINet's own.
std::unique_ptr<FetchTransport> make_wininet_transport(const WinInetApi& api);

}  // namespace qorvex::web
