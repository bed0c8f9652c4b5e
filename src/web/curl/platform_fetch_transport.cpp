#include <utility>

#include "web/curl/curl_fetch_transport.h"
#include "web/platform_transports.h"

namespace qorvex::web {

std::unique_ptr<FetchTransport> make_platform_fetch_transport(std::string ca_file) {
    return make_curl_fetch_transport(std::move(ca_file));
}

}  // namespace qorvex::web
