#pragma once

// The capture history's two reads (a target's reply sizes, and its capture
// frequencies), shared by the hunt's store and the read-only reader of the
// history, so that both read the estimate's inputs alike.

#include <cstdint>
#include <string_view>

#include "hunt/store.h"

namespace qorvex::hunt::sqlite {

class Statement;

inline constexpr std::string_view kReplySizesOfTarget =
    "SELECT size, cycles FROM reply_sizes WHERE target_id = ?1 ORDER BY size";
inline constexpr std::string_view kFrequenciesOfTarget =
    "SELECT times_seen, count(*) FROM numbers WHERE target_id = ?1 "
    "GROUP BY times_seen ORDER BY times_seen";

// Each appends what its statement (made from the text above) reads.
void read_reply_sizes(Statement& reply_sizes, std::int64_t target_id, CaptureHistory& history);
void read_frequencies(Statement& frequencies, std::int64_t target_id, CaptureHistory& history);

}  // namespace qorvex::hunt::sqlite
