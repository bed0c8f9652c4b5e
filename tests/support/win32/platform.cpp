#include "support/platform.h"

#include <windows.h>

namespace qorvex::test_support {

bool running_under_wine() {
    // Wine's ntdll exports its version; Windows' does not.
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

}  // namespace qorvex::test_support
