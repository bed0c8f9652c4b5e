#pragma once

// What a running hunt shows, in one of three forms chosen at start: the live
// status block on a terminal, one plain line per cycle when the output goes
// to a pipe or a file, or one JSON object per event with --json.

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "hunt/pool_assessment.h"
#include "hunt/store.h"
#include "hunt/target_progress.h"

namespace qorvex::hunt_cli {

// One target as the status shows it.
struct TargetLine {
    std::string label;
    const hunt::TargetProgress* progress = nullptr;
    hunt::PoolAssessment assessment;
    double expected_new_per_hour = 0;  // from the sample coverage
    std::optional<double> stop_at;     // the coverage rule's share, when set
    double yield_per_hour = 0;
    std::optional<hunt::TimeMs> next_in_ms;  // none while its query runs or once it ended
    std::string note;                        // backoff, lease or end of the target
};

struct CycleEvent {
    hunt::TimeMs time = 0;
    hunt::CycleOutcome outcome = hunt::CycleOutcome::Failed;
    int numbers_in_reply = 0;
    std::size_t distinct = 0;
    std::vector<hunt::NewNumber> fresh;
    std::string error;
    int duration_ms = 0;
    std::string degraded;  // the store's note while it works in a degraded way
};

// The outbox's messages over all channels, when it holds any.
struct OutboxTotals {
    std::int64_t waiting = 0;
    std::int64_t failed = 0;
    bool operator==(const OutboxTotals&) const = default;
};

// Messages that a channel's service refused for good, kept in the history.
struct NotifyFailure {
    hunt::TimeMs time = 0;
    std::string channel;  // masked
    std::vector<hunt::PhoneNumber> numbers;
    std::string error;       // masked
    std::string retry_hint;  // the command that sends them again
};

class HuntView {
public:
    virtual ~HuntView() = default;
    virtual void cycle(const CycleEvent& event, const TargetLine& line) = 0;
    // New numbers of cycles a shared store could only store later.
    virtual void late(const TargetLine& line, const std::vector<hunt::NewNumber>& fresh) = 0;
    virtual void hit(hunt::TimeMs time, const std::string& target, const hunt::NewNumber& hit) = 0;
    virtual void backoff(const std::string& target, hunt::CycleOutcome outcome,
                         const std::string& error, hunt::TimeMs rest_ms) = 0;
    // A target reached a stop rule; `why` says which figure stopped it.
    virtual void ended(const TargetLine& line, const std::string& why) = 0;
    // Whether status() shows anything: only the live block does, so that the
    // other forms spare the hunt building every target's line.
    virtual bool shows_status() const { return false; }
    // Redraws the live block; nothing in the other forms.
    virtual void status(const std::vector<TargetLine>& /*lines*/, const std::string& /*note*/) {}
    virtual void summary(const std::vector<TargetLine>& lines, std::string_view reason) = 0;
    // The outbox's counts, given every few seconds while the hunt sends
    // hits; each form shows them only when they change.
    virtual void outbox(const OutboxTotals& totals) = 0;
    virtual void notify_failed(const NotifyFailure& failure) = 0;
    // A diagnostic while the hunt runs (a hook that failed, a locked
    // history): one line on standard error. The live block clears itself
    // around it, so that its next redraw does not erase the line.
    virtual void message(const std::string& text);
};

struct ViewChoice {
    bool json = false;
    bool terminal = false;  // standard output is a terminal
    bool colour = false;    // a terminal, and NO_COLOR is not set
};

ViewChoice choose_view(bool json);

std::unique_ptr<HuntView> make_terminal_view(std::FILE* out, bool colour);
std::unique_ptr<HuntView> make_plain_view(std::FILE* out);
std::unique_ptr<HuntView> make_json_view(std::FILE* out);

std::unique_ptr<HuntView> make_view(const ViewChoice& choice, std::FILE* out);

// Writes all of `text`; a write that fails (a closed pipe) stops the hunt.
void write_out(std::FILE* out, std::string_view text);

// "qorvex-hunt: `text`" on standard error.
void report_error(const std::string& text);

}  // namespace qorvex::hunt_cli
