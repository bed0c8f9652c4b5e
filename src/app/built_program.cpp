#include "app/built_program.h"

#include <memory>

#include "app/main_window.h"
#include "app/services.h"
#include "qorvex/deployment.h"
#include "regex/platform_engine.h"
#include "web/clock.h"
#include "web/platform_transports.h"

namespace qorvex::app {

int run_built_program(runtime::Runtime& runtime) {
    namespace built = deployment;
    const std::unique_ptr<rx::RegexEngine> regex = rx::make_platform_engine();
    const std::unique_ptr<web::HttpTransport> http = web::make_platform_http_transport();
    const std::unique_ptr<web::FetchTransport> fetch =
        web::make_platform_fetch_transport(built::kCaFile);
    web::SystemClock clock;
    return run_program(runtime, {
                                    .regex = *regex,
                                    .http = *http,
                                    .fetch = *fetch,
                                    .clock = clock,
                                    .deployment =
                                        {
                                            .carrier_host = built::kCarrierHost,
                                            .download_host = built::kDownloadHost,
                                            .release_host = built::kReleaseHost,
                                            .ca_file = built::kCaFile,
                                        },
                                });
}

}  // namespace qorvex::app
