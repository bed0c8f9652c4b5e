#pragma once

#include <memory>

#include "web/http_transport.h"
#include "web/winhttp/winhttp_api.h"

namespace qorvex::web {

// The request object of web_access over the WinHTTP C API, which a session
// keeps between exchanges as the platform's request object does: its
// connections, its time-outs and its cookie store. Server certificate errors
// (unknown issuer, wrong usage, name mismatch, expired) are ignored through
// the security flags 0x3300; proxies come from the request alone, never from
// the system's settings.
std::unique_ptr<HttpTransport> make_winhttp_transport();

// The same over the functions `api` names instead of WinHTTP's own.
std::unique_ptr<HttpTransport> make_winhttp_transport(const WinHttpApi& api);

}  // namespace qorvex::web
