#pragma once

#include <memory>

#include "web/http_transport.h"

namespace qorvex::web {

// The request object of web_access over libcurl: every server certificate
// is accepted, only http and https are spoken, proxies come from the
// request alone (never from the environment), and a session keeps its
// connections, time-outs and cookie store between exchanges.
std::unique_ptr<HttpTransport> make_curl_http_transport();

}  // namespace qorvex::web
