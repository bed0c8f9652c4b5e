#pragma once

// The words the plain, live and report outputs share for a target's state.

#include <optional>
#include <string>
#include <vector>

#include "hunt/pool_assessment.h"
#include "hunt/stop_rules.h"
#include "hunt_cli/hunt_view.h"

namespace qorvex::hunt_cli {

// "uniform", "doubtful", "uneven" or "untested": the draw model in force.
std::string model_name(hunt::DrawModel model);

// "pool 4012 (95%: 3900-4150)" while uniform draws fit, "pool at least 3500
// (95%: 3300-3900)" otherwise, or why there is none yet.
std::string pool_text(const hunt::PoolAssessment& assessment);

// "coverage 31.0%", or "coverage at most 31.0%" beside a lower bound; empty
// without an estimate.
std::string coverage_text(const hunt::PoolAssessment& assessment);

// "replies known 97.1%": the sample coverage; empty before it exists.
std::string known_text(const hunt::PoolAssessment& assessment);

// The four above in one line, for the plain output, the report and the
// end of a target.
std::string estimate_text(const hunt::PoolAssessment& assessment, double expected_new_per_hour);

// Which figure stopped a target, and its value.
std::string stop_text(const hunt::StopDecision& decision, const TargetLine& line,
                      const hunt::StopRules& rules);

// "12.3" for a rate, with no more digits than it needs.
std::string rate_text(double value);

// "in 3 s", "in 1 min 40 s".
std::string seconds_text(hunt::TimeMs ms);

// "outbox: 3 messages waiting, 1 failed"; empty when the outbox holds none.
std::string outbox_text(const OutboxTotals& totals);

// "notify: ntfys://ntfy.sh/*** refused 138 8888 1234 for good: HTTP 403 …;
// send again with: qorvex-hunt notify-retry --db hunt.db"
std::string notify_failure_text(const NotifyFailure& failure);

// One target's status as fields: label, counts, the next query or the
// note (while the hunt runs), then model, estimate, coverage, sample
// coverage and expected new numbers.
std::vector<std::string> target_fields(const TargetLine& line, bool with_next = true);

// The fields on one line.
std::string target_status_text(const TargetLine& line, bool with_next = true);

}  // namespace qorvex::hunt_cli
