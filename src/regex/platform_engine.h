#pragma once

// The regex engine of the platform the program is built for: PCRE2 on Linux,
// VBScript.RegExp on Windows. Each platform's back end folder defines it, so
// that tests of the matching rules run the same sources on every platform.

#include <memory>

#include "regex/regex_engine.h"

namespace qorvex::rx {

std::unique_ptr<RegexEngine> make_platform_engine();

}  // namespace qorvex::rx
