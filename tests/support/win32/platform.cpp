#include "support/platform.h"

#include <windows.h>

#include <utility>

#include "regex/vbscript/vbscript_engine.h"

namespace qorvex::test_support {

bool running_under_wine() {
    // Wine's ntdll exports its version; Windows' does not.
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

std::unique_ptr<rx::RegexEngine> make_engine_with_clocks(rx::ClockReading wall,
                                                         rx::ClockReading processor) {
    rx::VbscriptSettings settings;
    settings.clocks.wall = std::move(wall);
    settings.clocks.processor = [processor = std::move(processor)](void*) { return processor(); };
    return rx::make_vbscript_engine(std::move(settings));
}

}  // namespace qorvex::test_support
