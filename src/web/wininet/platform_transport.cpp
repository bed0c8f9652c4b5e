#include "web/platform_transports.h"
#include "web/wininet/wininet_transport.h"

namespace qorvex::web {

// WinINet checks server certificates against the system's store alone; it
// offers no way to add an authority for one program.
std::unique_ptr<FetchTransport> make_platform_fetch_transport(std::string /*ca_file*/) {
    return make_wininet_transport();
}

}  // namespace qorvex::web
