#include "hunt/class_names.h"
#include "hunt/iso_time.h"
#include "hunt_cli/hunt_view.h"
#include "hunt_cli/status_text.h"

namespace qorvex::hunt_cli {

namespace {

// One line per cycle, for pipes, files and logs: no colour, no redrawing.
class PlainView final : public HuntView {
public:
    explicit PlainView(std::FILE* out) : m_out(out) {}

    void cycle(const CycleEvent& event, const TargetLine& line) override {
        std::string text = hunt::iso_time_text(event.time) + " " + line.label + " cycle " +
                           std::to_string(line.progress->cycles()) + " " +
                           std::string(hunt::outcome_name(event.outcome));
        if (event.outcome == hunt::CycleOutcome::Numbers) {
            text += ": " + std::to_string(event.numbers_in_reply) + " in reply, " +
                    std::to_string(event.distinct) + " distinct, " +
                    std::to_string(event.fresh.size()) + " new; seen " +
                    std::to_string(line.progress->distinct_numbers()) + ", " +
                    estimate_text(line.assessment, line.expected_new_per_hour);
        } else if (!event.error.empty()) {
            text += ": " + event.error;
        }
        if (!event.degraded.empty()) {
            text += " [" + event.degraded + "]";
        }
        write_out(m_out, text + "\n");
    }

    void late(const TargetLine& line, const std::vector<hunt::NewNumber>& fresh) override {
        write_out(m_out, line.label + " stored late: " + std::to_string(fresh.size()) +
                             " new; seen " + std::to_string(line.progress->distinct_numbers()) +
                             "\n");
    }

    void hit(hunt::TimeMs time, const std::string& target, const hunt::NewNumber& hit) override {
        write_out(m_out, hunt::iso_time_text(time) + " " + target + " HIT " +
                             std::to_string(hit.number) + " " + hunt::class_list(hit.classes) +
                             "\n");
    }

    void backoff(const std::string& target, hunt::CycleOutcome outcome, const std::string& error,
                 hunt::TimeMs rest_ms) override {
        write_out(m_out, target + " " +
                             (outcome == hunt::CycleOutcome::RateLimited ? "rate limited"
                                                                         : "failing: " + error) +
                             ", next try in " + seconds_text(rest_ms) + "\n");
    }

    void ended(const TargetLine& line, const std::string& why) override {
        write_out(m_out, line.label + " ended: " + why + "\n");
    }

    void summary(const std::vector<TargetLine>& lines, std::string_view reason) override {
        std::string text = "hunt ended (" + std::string(reason) + ")\n";
        for (const auto& line : lines) {
            text += "  " + line.label + ": " + std::to_string(line.progress->cycles()) +
                    " cycles, " + std::to_string(line.progress->new_numbers()) + " new, " +
                    std::to_string(line.progress->hits()) + " hits, seen " +
                    std::to_string(line.progress->distinct_numbers()) + ", " +
                    estimate_text(line.assessment, line.expected_new_per_hour) + "\n";
        }
        write_out(m_out, text);
    }

    void outbox(const OutboxTotals& totals) override {
        if (totals == m_outbox) {
            return;
        }
        m_outbox = totals;
        const std::string text = outbox_text(totals);
        write_out(m_out, (text.empty() ? "outbox: every message delivered" : text) + "\n");
    }

    void notify_failed(const NotifyFailure& failure) override {
        write_out(m_out,
                  hunt::iso_time_text(failure.time) + " " + notify_failure_text(failure) + "\n");
    }

private:
    std::FILE* m_out;
    OutboxTotals m_outbox;
};

}  // namespace

std::unique_ptr<HuntView> make_plain_view(std::FILE* out) {
    return std::make_unique<PlainView>(out);
}

}  // namespace qorvex::hunt_cli
