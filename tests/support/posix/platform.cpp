#include "support/platform.h"

#include <utility>

#include "regex/pcre2/pcre2_engine.h"

namespace qorvex::test_support {

bool running_under_wine() {
    return false;
}

std::unique_ptr<rx::RegexEngine> make_engine_with_clocks(rx::ClockReading wall,
                                                         rx::ClockReading processor) {
    rx::Pcre2Settings settings;
    settings.wall_clock = std::move(wall);
    settings.processor_clock = std::move(processor);
    return rx::make_pcre2_engine(settings);
}

}  // namespace qorvex::test_support
