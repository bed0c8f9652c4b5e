#include "regex/platform_engine.h"

#include "regex/vbscript/vbscript_engine.h"

namespace qorvex::rx {

std::unique_ptr<RegexEngine> make_platform_engine() {
    return make_vbscript_engine();
}

}  // namespace qorvex::rx
