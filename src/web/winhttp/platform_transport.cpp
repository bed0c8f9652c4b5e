#include "web/platform_transports.h"
#include "web/winhttp/winhttp_transport.h"

namespace qorvex::web {

std::unique_ptr<HttpTransport> make_platform_http_transport() {
    return make_winhttp_transport();
}

}  // namespace qorvex::web
