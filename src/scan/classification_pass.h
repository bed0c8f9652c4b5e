#pragma once

// The classification pass over the listed numbers: the fourteen pattern
// classes in table order, then the custom pattern, each listing its matches
// in its own output box. This is the core, with no window: it says what to
// append to which box, and pipeline.h writes it.

#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "regex/regex_object.h"

namespace qorvex::scan {

struct BoxAppend {
    std::string_view box;
    std::string text;  // every match followed by "\r\n"; empty when nothing matched
};

// One entry per class and one for the custom pattern, in the order they run.
// A custom text that makes an invalid pattern, or whose search is given up at
// its work or processor-time bound, lists nothing; the classes, bounded by
// work alone, still do. Once `stop` is requested no further pattern runs, and
// the entries of those that did not run are missing.
std::vector<BoxAppend> classify_numbers(rx::RegexObject& regex, std::string_view subject,
                                        std::string_view custom_text,
                                        const std::stop_token& stop = {});

}  // namespace qorvex::scan
