#pragma once

#include <string>
#include <string_view>

// Splits a web address into the host, port and path that a connection and a
// request are opened with. The scheme is matched without regard to case;
// an address without one is taken as plain http.
namespace qorvex::web {

// The host name in lower case, without scheme, path or (unless `keep_port`)
// port.
std::string url_host(std::string_view url, bool keep_port = false);

// The digits after the last ":" of the host part; without a port, 443 for an
// address that begins with "https" (any case) and 80 otherwise.
int url_port(std::string_view url);

// Everything from the first "/" after the host to the end, path and query in
// their own letter case; "/" when there is none.
std::string url_path(std::string_view url);

}  // namespace qorvex::web
