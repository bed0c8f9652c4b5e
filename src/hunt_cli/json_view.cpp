#include "hunt/iso_time.h"
#include "hunt_cli/hunt_view.h"
#include "hunt_cli/json_text.h"

namespace qorvex::hunt_cli {

namespace {

using nlohmann::json;

// One JSON object per line and event, for other programs: "cycle", "hit",
// "backoff", "ended" and a closing "summary".
class JsonView final : public HuntView {
public:
    explicit JsonView(std::FILE* out) : m_out(out) {}

    void cycle(const CycleEvent& event, const TargetLine& line) override {
        json object{{"event", "cycle"},
                    {"time", hunt::iso_time_text(event.time)},
                    {"target", line.label},
                    {"outcome", hunt::outcome_name(event.outcome)},
                    {"numbers_in_reply", event.numbers_in_reply},
                    {"distinct", event.distinct},
                    {"duration_ms", event.duration_ms},
                    {"seen", line.progress->distinct_numbers()}};
        auto fresh = json::array();
        for (const auto& number : event.fresh) {
            fresh.push_back(std::to_string(number.number));
        }
        object["new"] = std::move(fresh);
        object["error"] = event.error.empty() ? json(nullptr) : json(event.error);
        object["degraded"] = event.degraded.empty() ? json(nullptr) : json(event.degraded);
        add_assessment(object, line.assessment, line.expected_new_per_hour);
        write_out(m_out, json_line(object));
    }

    void late(const TargetLine& line, const std::vector<hunt::NewNumber>& fresh) override {
        auto numbers = json::array();
        for (const auto& number : fresh) {
            numbers.push_back(std::to_string(number.number));
        }
        write_out(m_out, json_line({{"event", "late"},
                                    {"target", line.label},
                                    {"new", numbers},
                                    {"seen", line.progress->distinct_numbers()}}));
    }

    void hit(hunt::TimeMs time, const std::string& target, const hunt::NewNumber& hit) override {
        write_out(m_out, json_line({{"event", "hit"},
                                    {"time", hunt::iso_time_text(time)},
                                    {"target", target},
                                    {"number", std::to_string(hit.number)},
                                    {"classes", json_classes(hit.classes)}}));
    }

    void backoff(const std::string& target, hunt::CycleOutcome outcome, const std::string& error,
                 hunt::TimeMs rest_ms) override {
        write_out(m_out, json_line({{"event", "backoff"},
                                    {"target", target},
                                    {"outcome", hunt::outcome_name(outcome)},
                                    {"error", error},
                                    {"retry_in_s", double(rest_ms) / 1000.0}}));
    }

    void ended(const TargetLine& line, const std::string& why) override {
        json object{{"event", "ended"},
                    {"target", line.label},
                    {"why", why},
                    {"seen", line.progress->distinct_numbers()}};
        add_assessment(object, line.assessment, line.expected_new_per_hour);
        write_out(m_out, json_line(object));
    }

    void summary(const std::vector<TargetLine>& lines, std::string_view reason) override {
        auto targets = json::array();
        for (const auto& line : lines) {
            json object{{"target", line.label},
                        {"cycles", line.progress->cycles()},
                        {"new", line.progress->new_numbers()},
                        {"hits", line.progress->hits()},
                        {"seen", line.progress->distinct_numbers()}};
            add_assessment(object, line.assessment, line.expected_new_per_hour);
            targets.push_back(std::move(object));
        }
        write_out(m_out,
                  json_line({{"event", "summary"}, {"reason", reason}, {"targets", targets}}));
    }

    void outbox(const OutboxTotals& totals) override {
        if (totals == m_outbox) {
            return;
        }
        m_outbox = totals;
        write_out(m_out, json_line({{"event", "outbox"},
                                    {"waiting", totals.waiting},
                                    {"failed", totals.failed}}));
    }

    void notify_failed(const NotifyFailure& failure) override {
        auto numbers = json::array();
        for (const auto number : failure.numbers) {
            numbers.push_back(std::to_string(number));
        }
        write_out(m_out, json_line({{"event", "notify_failed"},
                                    {"time", hunt::iso_time_text(failure.time)},
                                    {"channel", failure.channel},
                                    {"numbers", numbers},
                                    {"error", failure.error},
                                    {"retry", failure.retry_hint}}));
    }

private:
    std::FILE* m_out;
    OutboxTotals m_outbox;
};

}  // namespace

std::unique_ptr<HuntView> make_json_view(std::FILE* out) {
    return std::make_unique<JsonView>(out);
}

}  // namespace qorvex::hunt_cli
