#pragma once

// The HTTP stacks of the platform the program is built for: libcurl on Linux,
// WinHTTP and WinINet on Windows. Each platform's back end folders define
// them, so that tests of the web access run the same sources everywhere.

#include <memory>
#include <string>

#include "web/fetch_transport.h"
#include "web/http_transport.h"

namespace qorvex::web {

std::unique_ptr<HttpTransport> make_platform_http_transport();

// `ca_file` names extra trusted authorities (PEM) where the platform lets a
// program add them; Windows trusts its system store only.
std::unique_ptr<FetchTransport> make_platform_fetch_transport(std::string ca_file = {});

}  // namespace qorvex::web
