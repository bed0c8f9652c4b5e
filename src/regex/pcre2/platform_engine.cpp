#include "regex/platform_engine.h"

#include "regex/pcre2/pcre2_engine.h"

namespace qorvex::rx {

std::unique_ptr<RegexEngine> make_platform_engine() {
    return make_pcre2_engine();
}

}  // namespace qorvex::rx
