#include "hunt_cli/status_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "hunt/notify/hit_message.h"

namespace qorvex::hunt_cli {

namespace {

std::string whole(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.0f", value);
    return text;
}

std::string percent(double share) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f%%", share * 100);
    return text;
}

}  // namespace

std::string model_name(hunt::DrawModel model) {
    switch (model) {
        case hunt::DrawModel::Uniform:
            return "uniform";
        case hunt::DrawModel::Uneven:
            return "uneven";
        case hunt::DrawModel::Doubtful:
            return "doubtful";
        case hunt::DrawModel::Untested:
            break;
    }
    return "untested";
}

std::string pool_text(const hunt::PoolAssessment& assessment) {
    const auto& estimate = assessment.estimate;
    if (!estimate) {
        return "pool not estimated yet";
    }
    return std::string(assessment.lower_bound ? "pool at least " : "pool ") +
           whole(estimate->pool) + " (95%: " + whole(std::floor(estimate->low)) + "-" +
           (std::isfinite(estimate->high) ? whole(std::ceil(estimate->high)) : "?") + ")";
}

std::string coverage_text(const hunt::PoolAssessment& assessment) {
    if (!assessment.estimate) {
        return {};
    }
    return (assessment.lower_bound ? "coverage at most " : "coverage ") +
           percent(assessment.estimate->coverage);
}

std::string known_text(const hunt::PoolAssessment& assessment) {
    return assessment.sample_coverage ? "replies known " + percent(*assessment.sample_coverage)
                                      : std::string();
}

std::string estimate_text(const hunt::PoolAssessment& assessment, double expected_new_per_hour) {
    std::string text = "draws " + model_name(assessment.model) + ", " + pool_text(assessment);
    for (const auto& part : {coverage_text(assessment), known_text(assessment)}) {
        if (!part.empty()) {
            text += ", " + part;
        }
    }
    if (assessment.sample_coverage) {
        text += ", expect " + rate_text(expected_new_per_hour) + " new/h";
    }
    return text;
}

std::string stop_text(const hunt::StopDecision& decision, const TargetLine& line,
                      const hunt::StopRules& rules) {
    const auto& estimate = line.assessment.estimate;
    switch (decision.figure) {
        case hunt::StopFigure::UniformEstimate:
            return "stopped on the uniform-draw estimate: " + percent(decision.value) + " of " +
                   pool_text(line.assessment) + " seen; the rule asks " + percent(*rules.coverage);
        case hunt::StopFigure::LowerBound:
            return "stopped on the lower bound (draws " + model_name(line.assessment.model) +
                   "): " + std::to_string(line.progress->distinct_numbers()) + " seen is " +
                   percent(decision.value) + " of " + whole(std::ceil(estimate->high)) +
                   ", the high end of its 95% interval; the rule asks " + percent(*rules.coverage);
        case hunt::StopFigure::SampleCoverage:
            break;
    }
    return "stopped on the sample coverage: " + rate_text(decision.value) +
           " new numbers expected per hour, below " + rate_text(*rules.new_per_hour_below);
}

std::string rate_text(double value) {
    char text[32];
    std::snprintf(text, sizeof text, value < 10 ? "%.1f" : "%.0f", value);
    return text;
}

std::string seconds_text(hunt::TimeMs ms) {
    if (ms < 10'000) {
        // Short waits (tests, fast intervals) in tenths, rounded up.
        const hunt::TimeMs tenths = (std::max<hunt::TimeMs>(ms, 0) + 99) / 100;
        char text[48];
        std::snprintf(text, sizeof text, "%lld.%lld s", static_cast<long long>(tenths / 10),
                      static_cast<long long>(tenths % 10));
        return text;
    }
    const hunt::TimeMs seconds = (std::max<hunt::TimeMs>(ms, 0) + 999) / 1000;
    if (seconds < 60) {
        return std::to_string(seconds) + " s";
    }
    return std::to_string(seconds / 60) + " min " + std::to_string(seconds % 60) + " s";
}

std::vector<std::string> target_fields(const TargetLine& line, bool with_next) {
    const auto& progress = *line.progress;
    std::vector<std::string> fields{line.label, "cycles " + std::to_string(progress.cycles()),
                                    "seen " + std::to_string(progress.distinct_numbers()),
                                    "new " + std::to_string(progress.new_numbers()) + " (" +
                                        rate_text(line.yield_per_hour) + "/h)"};
    if (with_next) {
        if (!line.note.empty()) {
            fields.push_back(line.note);
        } else if (line.next_in_ms) {
            fields.push_back("next in " + seconds_text(*line.next_in_ms));
        } else {
            fields.emplace_back("querying");
        }
    }
    const auto& assessment = line.assessment;
    fields.push_back("draws " + model_name(assessment.model));
    fields.push_back(pool_text(assessment));
    for (auto part : {coverage_text(assessment), known_text(assessment)}) {
        if (!part.empty()) {
            fields.push_back(std::move(part));
        }
    }
    if (assessment.sample_coverage) {
        fields.push_back("expect " + rate_text(line.expected_new_per_hour) + " new/h");
    }
    if (line.stop_at && assessment.lower_bound && assessment.stop_coverage && with_next) {
        // The coverage rule waits on the lower bound's interval: how far it is.
        fields.push_back("stop figure " + percent(*assessment.stop_coverage) + " of " +
                         percent(*line.stop_at));
    }
    return fields;
}

std::string target_status_text(const TargetLine& line, bool with_next) {
    std::string text;
    for (const auto& field : target_fields(line, with_next)) {
        text += (text.empty() ? "" : "  ") + field;
    }
    return text;
}

std::string outbox_text(const OutboxTotals& totals) {
    if (totals.waiting == 0 && totals.failed == 0) {
        return {};
    }
    return "outbox: " + std::to_string(totals.waiting) +
           (totals.waiting == 1 ? " message waiting, " : " messages waiting, ") +
           std::to_string(totals.failed) + " failed";
}

std::string notify_failure_text(const NotifyFailure& failure) {
    std::string numbers;
    for (const auto number : failure.numbers) {
        numbers += (numbers.empty() ? "" : ", ") + hunt::notify::grouped_number(number);
    }
    return "notify: " + failure.channel + " refused " + numbers + " for good: " + failure.error +
           "; send again with: " + failure.retry_hint;
}

}  // namespace qorvex::hunt_cli
