#pragma once

#include <memory>
#include <string>

#include "web/fetch_transport.h"

namespace qorvex::web {

// The exchange of wininet_fetch over libcurl. Server certificates are
// verified against the system's store, and also against `ca_file` (a PEM
// file of extra trusted authorities) when it is given and can be read.
// Only http and https are spoken, and proxies come from the target alone,
// never from the environment. libcurl keeps no cache, so every request
// reaches the server as the reload flag asks.
std::unique_ptr<FetchTransport> make_curl_fetch_transport(std::string ca_file = {});

}  // namespace qorvex::web
