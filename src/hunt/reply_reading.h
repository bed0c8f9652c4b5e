#pragma once

// What one query's reply means to the hunt: its outcome (numbers, an empty
// list, a refusal, a failure), the distinct numbers it held and the classes
// of each. Extraction and classification are the window's own: the eleven
// digits starting with 1, the fourteen pattern classes over the listed
// numbers, and the custom pattern when the hunt has one.

#include <string>
#include <string_view>
#include <vector>

#include "hunt/store.h"
#include "regex/regex_engine.h"

namespace qorvex::hunt {

// The page the service shows instead of numbers when it is overrun.
inline constexpr std::string_view kRateLimitedText = "访问人数过多";
inline constexpr int kStatusOk = 200;
inline constexpr int kStatusUnavailable = 503;

struct ReplyReading {
    CycleOutcome outcome = CycleOutcome::Failed;
    int numbers_in_reply = 0;         // every extraction match, repeats included
    std::vector<Sighting> sightings;  // each number once, in reply order
    std::string error;                // for RateLimited and Failed
};

// `status` is 0 when nothing came back. `custom_text` empty: no custom class.
ReplyReading read_reply(rx::RegexEngine& engine, int status, std::string_view body,
                        std::string_view custom_text);

}  // namespace qorvex::hunt
