#include "hunt_serve/metrics_text.h"

#include <charconv>
#include <cmath>
#include <functional>
#include <nlohmann/json.hpp>
#include <optional>

namespace qorvex::hunt_serve {

namespace {

struct Family {
    std::string_view name;
    std::string_view type;
    std::string_view help;
    // The sample of a target, if it has one; `kind` set for the pool figures.
    std::function<std::optional<double>(const TargetMetrics&)> value;
    bool with_kind = false;
};

std::optional<double> pool_figure(const TargetMetrics& target, double hunt::PoolEstimate::*field) {
    const auto& estimate = target.assessment.estimate;
    if (!estimate || !std::isfinite((*estimate).*field)) {
        return std::nullopt;
    }
    return (*estimate).*field;
}

std::string kind_of(const TargetMetrics& target, bool coverage) {
    if (!target.assessment.lower_bound) {
        return "estimate";
    }
    return coverage ? "upper_bound" : "lower_bound";
}

const std::vector<Family>& families() {
    static const std::vector<Family> kFamilies{
        {"qorvex_hunt_cycles_total", "counter", "Cycles stored for the target.",
         [](const TargetMetrics& t) { return std::optional<double>(double(t.totals->cycles)); }},
        {"qorvex_hunt_failures_total", "counter", "Cycles that got no reply.",
         [](const TargetMetrics& t) { return std::optional<double>(double(t.totals->failures)); }},
        {"qorvex_hunt_backoffs_total", "counter",
         "Cycles the service refused as too many visitors.",
         [](const TargetMetrics& t) { return std::optional<double>(double(t.totals->backoffs)); }},
        {"qorvex_hunt_distinct_numbers", "gauge", "Distinct numbers the target has shown.",
         [](const TargetMetrics& t) {
             return std::optional<double>(double(t.totals->capture.distinct_numbers));
         }},
        {"qorvex_hunt_sightings_total", "counter",
         "Distinct numbers of each reply, summed over the cycles.",
         [](const TargetMetrics& t) { return std::optional<double>(double(t.totals->sightings)); }},
        {"qorvex_hunt_hits_total", "counter", "Numbers stored as hits.",
         [](const TargetMetrics& t) { return std::optional<double>(double(t.totals->hits)); }},
        {"qorvex_hunt_pool_numbers", "gauge",
         "Pool size: the uniform estimate (kind=estimate) or a lower bound (kind=lower_bound).",
         [](const TargetMetrics& t) { return pool_figure(t, &hunt::PoolEstimate::pool); }, true},
        {"qorvex_hunt_pool_low_numbers", "gauge", "Low end of the pool figure's 95% interval.",
         [](const TargetMetrics& t) { return pool_figure(t, &hunt::PoolEstimate::low); }, true},
        {"qorvex_hunt_pool_high_numbers", "gauge",
         "High end of the pool figure's 95% interval (absent when unbounded).",
         [](const TargetMetrics& t) { return pool_figure(t, &hunt::PoolEstimate::high); }, true},
        {"qorvex_hunt_coverage_ratio", "gauge",
         "Share of the pool seen: an estimate, or an upper bound beside a lower-bound pool.",
         [](const TargetMetrics& t) { return pool_figure(t, &hunt::PoolEstimate::coverage); },
         true},
        {"qorvex_hunt_sample_coverage_ratio", "gauge",
         "Share of the replies' draws that were numbers seen before.",
         [](const TargetMetrics& t) { return t.assessment.sample_coverage; }},
        {"qorvex_hunt_last_cycle_timestamp_seconds", "gauge",
         "When the target's last cycle started, in seconds since 1970 UTC.",
         [](const TargetMetrics& t) {
             return t.totals->last_cycle
                        ? std::optional<double>(double(*t.totals->last_cycle) / 1000.0)
                        : std::nullopt;
         }},
    };
    return kFamilies;
}

std::string number_text(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

}  // namespace

std::string label_value(std::string_view text) {
    // A round trip through the JSON library replaces what is not UTF-8.
    const auto valid =
        nlohmann::json::parse(nlohmann::json(std::string(text))
                                  .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace))
            .get<std::string>();
    std::string escaped;
    for (const char c : valid) {
        switch (c) {
            case '\\':
                escaped += "\\\\";
                break;
            case '"':
                escaped += "\\\"";
                break;
            case '\n':
                escaped += "\\n";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

std::string metrics_text(const std::vector<TargetMetrics>& targets) {
    std::string text;
    for (const auto& family : families()) {
        text += "# HELP " + std::string(family.name) + " " + std::string(family.help) + "\n";
        text += "# TYPE " + std::string(family.name) + " " + std::string(family.type) + "\n";
        for (const auto& target : targets) {
            const auto value = family.value(target);
            if (!value) {
                continue;
            }
            text +=
                std::string(family.name) + "{target=\"" + label_value(target.totals->label) + "\"";
            if (family.with_kind) {
                text += ",kind=\"" + kind_of(target, family.name == "qorvex_hunt_coverage_ratio") +
                        "\"";
            }
            text += "} " + number_text(*value) + "\n";
        }
    }
    return text;
}

}  // namespace qorvex::hunt_serve
