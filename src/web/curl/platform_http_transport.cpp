#include "web/curl/curl_http_transport.h"
#include "web/platform_transports.h"

namespace qorvex::web {

std::unique_ptr<HttpTransport> make_platform_http_transport() {
    return make_curl_http_transport();
}

}  // namespace qorvex::web
