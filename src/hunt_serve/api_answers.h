#pragma once

// The JSON answers of the web server's API, made from what the history
// reader returns: pure formatting, so that the page and scripts read the
// same figures with the same honesty as `report --json` (an estimate
// carries its interval; a lower bound and the coverage beside it say so).
// Times are milliseconds since 1970 UTC, numbers their eleven digits as text.

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "hunt/history_reader.h"
#include "hunt/pool_assessment.h"

namespace qorvex::hunt_serve {

// "uniform", "doubtful", "uneven" or "unknown" (too few repeats to test).
std::string_view model_label(hunt::DrawModel model);

// The series' step: a whole number of minutes (at least one) that keeps
// the span from `since` to `last` within `max_points` steps.
hunt::TimeMs series_step(hunt::TimeMs since, hunt::TimeMs last, std::size_t max_points);

// A target with no recorded state is "idle".
nlohmann::json target_answer(const hunt::TargetTotals& totals,
                             const hunt::PoolAssessment& assessment);

// The buckets' points. The band over time is the uniform model's only while
// `current` trusts uniform draws, and otherwise none; the last point carries
// the current assessment itself (a lower bound labelled as one).
nlohmann::json series_answer(std::int64_t id, hunt::TimeMs step_ms,
                             const std::vector<hunt::CycleBucket>& buckets,
                             const hunt::PoolAssessment& current);

nlohmann::json hit_answer(const hunt::HitEntry& hit, const std::string& link);

nlohmann::json number_answer(const hunt::StoredNumber& number);

// The cursor text of a position in the numbers ("target_id:number") and back.
std::string cursor_text(const hunt::NumberCursor& cursor);
std::optional<hunt::NumberCursor> cursor_of(std::string_view text);

// The whole answer as UTF-8 text; bytes that are not UTF-8 become U+FFFD.
std::string json_text(const nlohmann::json& answer);

}  // namespace qorvex::hunt_serve
