#pragma once

// The numbers of a scan cycle's reply, whatever the reply holds. The service
// is asked for 200 numbers, but nothing stops a reply from holding far more
// (a 16 MiB body of digits holds 1.4 million). So the reply is searched
// window by window, each search over a bounded piece of it, and the search
// ends once kMaxNumbersPerReply numbers are taken or the cycle is told to
// stop: a hostile reply then costs a cycle a bounded amount of work and the
// output boxes a bounded amount of text, and a closing program never waits
// long for a cycle.

#include <cstddef>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "regex/regex_engine.h"
#include "scan/number_extraction.h"

namespace qorvex::scan {

// Twenty-five times what the query asks for, so every number of a reply the
// service plausibly sends is taken.
inline constexpr std::size_t kMaxNumbersPerReply = 5000;
// One search's share of the reply.
inline constexpr std::size_t kExtractionWindowBytes = std::size_t{64} * 1024;

// The first `limit` numbers of `reply`, exactly those that one extraction
// over the whole text would give first. Gives up, with what it has, once
// `stop` is requested.
std::vector<std::string> extract_reply_numbers(rx::RegexEngine& engine, ExtractionChoice choice,
                                               std::string_view reply,
                                               const std::stop_token& stop = {},
                                               std::size_t limit = kMaxNumbersPerReply,
                                               std::size_t window_bytes = kExtractionWindowBytes);

}  // namespace qorvex::scan
