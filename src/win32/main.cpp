// The Windows program: the Win32 back end, VBScript.RegExp behind the regex
// object, WinHTTP behind web_access, WinINet behind the update fetch and the
// local clock of Windows, with the deployment values fixed at build time. It
// reads no command line, environment or file of its own.

#include <windows.h>

#include <memory>

#include "app/main_window.h"
#include "app/services.h"
#include "qorvex/deployment.h"
#include "regex/vbscript/vbscript_engine.h"
#include "runtime/win32/win32_runtime.h"
#include "web/clock.h"
#include "web/winhttp/winhttp_transport.h"
#include "web/wininet/wininet_transport.h"

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR /*command_line*/,
                    int /*show*/) {
    namespace built = qorvex::deployment;
    qorvex::runtime::Win32Runtime runtime;
    const std::unique_ptr<qorvex::rx::RegexEngine> regex = qorvex::rx::make_vbscript_engine();
    const std::unique_ptr<qorvex::web::HttpTransport> http = qorvex::web::make_winhttp_transport();
    const std::unique_ptr<qorvex::web::FetchTransport> fetch =
        qorvex::web::make_wininet_transport();
    qorvex::web::SystemClock clock;

    return qorvex::app::run_program(
        runtime, {
                     .regex = *regex,
                     .http = *http,
                     .fetch = *fetch,
                     .clock = clock,
                     .deployment = {built::kCarrierHost, built::kDownloadHost, built::kReleaseHost,
                                    built::kCaFile},
                 });
}
