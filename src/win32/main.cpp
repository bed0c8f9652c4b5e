// The Windows program: the Win32 back end, VBScript.RegExp behind the regex
// object, WinHTTP behind web_access, WinINet behind the update fetch and the
// local clock of Windows, with the deployment values fixed at build time. It
// reads no command line, environment or file of its own.

#include <windows.h>

#include "app/built_program.h"
#include "runtime/win32/win32_runtime.h"

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR /*command_line*/,
                    int /*show*/) {
    qorvex::runtime::Win32Runtime runtime;
    return qorvex::app::run_built_program(runtime);
}
