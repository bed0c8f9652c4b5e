// The Linux program: the Qt back end, PCRE2 behind the regex object, libcurl
// behind the HTTP paths and the machine's clock, with the deployment values
// fixed at build time. It reads no command line, environment or file of its
// own (Qt may still take its standard platform options).

#include <QApplication>
#include <memory>

#include "app/main_window.h"
#include "app/services.h"
#include "qorvex/deployment.h"
#include "regex/pcre2/pcre2_engine.h"
#include "runtime/qt/qt_runtime.h"
#include "web/clock.h"
#include "web/curl/curl_fetch_transport.h"
#include "web/curl/curl_http_transport.h"
#include "web/fetch_transport.h"

namespace {

qorvex::app::Deployment deployment() {
    namespace built = qorvex::deployment;
    return {
        .carrier_host = built::kCarrierHost,
        .download_host = built::kDownloadHost,
        .release_host = built::kReleaseHost,
        .ca_file = built::kCaFile,
    };
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    qorvex::runtime::qt::QtRuntime runtime;

    const std::unique_ptr<qorvex::rx::RegexEngine> regex = qorvex::rx::make_pcre2_engine();
    const std::unique_ptr<qorvex::web::HttpTransport> http =
        qorvex::web::make_curl_http_transport();
    const std::unique_ptr<qorvex::web::FetchTransport> fetch =
        qorvex::web::make_curl_fetch_transport(qorvex::deployment::kCaFile);
    qorvex::web::SystemClock clock;

    return qorvex::app::run_program(runtime, {
                                                 .regex = *regex,
                                                 .http = *http,
                                                 .fetch = *fetch,
                                                 .clock = clock,
                                                 .deployment = deployment(),
                                             });
}
