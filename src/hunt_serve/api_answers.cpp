#include "hunt_serve/api_answers.h"

#include <charconv>
#include <cmath>

#include "hunt/class_names.h"
#include "hunt/pool_estimate.h"

namespace qorvex::hunt_serve {

namespace {

using nlohmann::json;

constexpr hunt::TimeMs kMinuteMs = 60'000;

json number_text(hunt::PhoneNumber number) {
    return std::to_string(number);
}

json classes_of(hunt::ClassMask classes) {
    auto list = json::array();
    for (int bit = 0; bit < hunt::kClassBitCount; ++bit) {
        if ((classes & (1U << unsigned(bit))) != 0) {
            list.push_back(std::string(hunt::class_caption(bit)));
        }
    }
    return list;
}

json optional_number(const std::optional<double>& value) {
    return value && std::isfinite(*value) ? json(*value) : json(nullptr);
}

// The estimate as the status shows it: the uniform estimate with its 95%
// interval, or a lower bound with the interval of the bound.
json estimate_of(const hunt::PoolAssessment& assessment) {
    const auto& estimate = assessment.estimate;
    if (!estimate) {
        return {{"kind", "none"}, {"value", nullptr}, {"low", nullptr}, {"high", nullptr}};
    }
    return {
        {"kind", assessment.lower_bound ? "lower_bound" : "estimate"},
        {"value", std::round(estimate->pool)},
        {"low", std::floor(estimate->low)},
        {"high", std::isfinite(estimate->high) ? json(std::ceil(estimate->high)) : json(nullptr)}};
}

// Beside a lower bound of the pool, the coverage is an upper bound.
json coverage_of(const hunt::PoolAssessment& assessment, std::int64_t distinct) {
    const auto& estimate = assessment.estimate;
    if (!estimate || estimate->pool <= 0) {
        return {{"kind", "none"}, {"value", nullptr}, {"low", nullptr}, {"high", nullptr}};
    }
    const double seen = double(distinct);
    return {
        {"kind", assessment.lower_bound ? "upper_bound" : "estimate"},
        {"value", estimate->coverage},
        {"low", estimate->high > 0 && std::isfinite(estimate->high) ? json(seen / estimate->high)
                                                                    : json(0.0)},
        {"high", estimate->low > 0 ? json(std::min(1.0, seen / estimate->low)) : json(nullptr)}};
}

void split_label(const std::string& label, json& object) {
    const auto first = label.find('/');
    const auto second = first == std::string::npos ? first : label.find('/', first + 1);
    object["card"] = label.substr(0, first);
    object["province"] =
        first == std::string::npos ? "" : label.substr(first + 1, second - first - 1);
    object["city"] = second == std::string::npos ? "" : label.substr(second + 1);
}

}  // namespace

std::string_view model_label(hunt::DrawModel model) {
    switch (model) {
        case hunt::DrawModel::Uniform:
            return "uniform";
        case hunt::DrawModel::Doubtful:
            return "doubtful";
        case hunt::DrawModel::Uneven:
            return "uneven";
        case hunt::DrawModel::Untested:
            break;
    }
    return "unknown";
}

hunt::TimeMs series_step(hunt::TimeMs since, hunt::TimeMs last, std::size_t max_points) {
    const hunt::TimeMs span = std::max<hunt::TimeMs>(last - since, 0) + 1;
    const auto points = hunt::TimeMs(std::max<std::size_t>(max_points, 1));
    const hunt::TimeMs minutes = (span + points * kMinuteMs - 1) / (points * kMinuteMs);
    return std::max<hunt::TimeMs>(minutes, 1) * kMinuteMs;
}

json target_answer(const hunt::TargetTotals& totals, const hunt::PoolAssessment& assessment) {
    const auto& state = totals.state;
    json object{{"id", totals.id}, {"label", totals.label}};
    split_label(totals.label, object);
    object["state"] = state ? state->state : "idle";
    object["state_reason"] = state ? state->reason : "";
    object["state_since"] = state ? json(state->since) : json(nullptr);
    object["cycles"] = totals.cycles;
    object["failures"] = totals.failures;
    object["backoffs"] = totals.backoffs;
    object["distinct_numbers"] = totals.capture.distinct_numbers;
    object["sightings"] = totals.sightings;
    object["hits"] = totals.hits;
    object["model"] = model_label(assessment.model);
    object["estimate"] = estimate_of(assessment);
    object["coverage"] = coverage_of(assessment, totals.capture.distinct_numbers);
    object["sample_coverage"] = optional_number(assessment.sample_coverage);
    // Expected new numbers per hour at the last hour's pace of cycles, as
    // the report gives it; unknown before there is a sample coverage.
    object["new_per_hour"] =
        assessment.sample_coverage
            ? json(assessment.expected_new_per_cycle * double(totals.recent_cycles))
            : json(nullptr);
    object["last_cycle"] = totals.last_cycle ? json(*totals.last_cycle) : json(nullptr);
    return object;
}

json series_answer(std::int64_t id, hunt::TimeMs step_ms,
                   const std::vector<hunt::CycleBucket>& buckets,
                   const hunt::PoolAssessment& current) {
    auto points = json::array();
    const bool uniform = current.model == hunt::DrawModel::Uniform;
    for (std::size_t i = 0; i < buckets.size(); ++i) {
        const auto& bucket = buckets[i];
        json point{{"t", bucket.start},
                   {"new_numbers", bucket.new_numbers},
                   {"distinct", bucket.capture.distinct_numbers},
                   {"replies", bucket.replies},
                   {"failures", bucket.failures},
                   {"backoffs", bucket.backoffs}};
        std::optional<hunt::PoolEstimate> estimate;
        std::string_view kind = "none";
        if (i + 1 == buckets.size() && current.estimate) {
            // The last point is the status's own figure.
            estimate = current.estimate;
            kind = current.lower_bound ? "lower_bound" : "estimate";
        } else if (uniform) {
            estimate = hunt::estimate_pool(bucket.capture);
            kind = estimate ? "estimate" : "none";
        }
        point["estimate"] = estimate ? json(std::round(estimate->pool)) : json(nullptr);
        point["low"] = estimate ? json(std::floor(estimate->low)) : json(nullptr);
        point["high"] = estimate && std::isfinite(estimate->high) ? json(std::ceil(estimate->high))
                                                                  : json(nullptr);
        point["estimate_kind"] = kind;
        points.push_back(std::move(point));
    }
    return {{"id", id}, {"step_ms", step_ms}, {"points", std::move(points)}};
}

json hit_answer(const hunt::HitEntry& hit, const std::string& link) {
    return {{"target_id", hit.target_id},
            {"target", hit.target},
            {"number", number_text(hit.number)},
            {"classes", classes_of(hit.classes)},
            {"at", hit.at},
            {"first_seen", hit.first_seen},
            {"link", link}};
}

json number_answer(const hunt::StoredNumber& number) {
    return {{"target_id", number.target_id},         {"number", number_text(number.number)},
            {"classes", classes_of(number.classes)}, {"first_seen", number.first_seen},
            {"last_seen", number.last_seen},         {"times_seen", number.times_seen}};
}

std::string cursor_text(const hunt::NumberCursor& cursor) {
    return std::to_string(cursor.target_id) + ":" + std::to_string(cursor.number);
}

std::optional<hunt::NumberCursor> cursor_of(std::string_view text) {
    const auto colon = text.find(':');
    if (colon == std::string_view::npos) {
        return std::nullopt;
    }
    hunt::NumberCursor cursor;
    const auto id = std::from_chars(text.data(), text.data() + colon, cursor.target_id);
    const auto number =
        std::from_chars(text.data() + colon + 1, text.data() + text.size(), cursor.number);
    if (id.ec != std::errc() || id.ptr != text.data() + colon || number.ec != std::errc() ||
        number.ptr != text.data() + text.size()) {
        return std::nullopt;
    }
    return cursor;
}

std::string json_text(const json& answer) {
    return answer.dump(-1, ' ', false, json::error_handler_t::replace);
}

}  // namespace qorvex::hunt_serve
