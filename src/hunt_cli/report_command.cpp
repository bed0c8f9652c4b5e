#include "hunt_cli/report_command.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "hunt/best_finds.h"
#include "hunt/class_names.h"
#include "hunt/iso_time.h"
#include "hunt/pool_assessment.h"
#include "hunt_cli/exit_codes.h"
#include "hunt_cli/hunt_view.h"
#include "hunt_cli/json_text.h"
#include "hunt_cli/outbox_report.h"
#include "hunt_cli/status_text.h"
#include "hunt_cli/store_factory.h"

namespace qorvex::hunt_cli {

namespace {

constexpr hunt::TimeMs kHourMs = 3'600'000;
constexpr hunt::TimeMs kDayMs = 24 * kHourMs;
constexpr std::size_t kBestFinds = 10;

// What the report says of one target, in either form.
struct TargetReport {
    const hunt::TargetSummary* summary = nullptr;
    hunt::PoolAssessment assessment;
    std::int64_t cycles_last_hour = 0;
    std::int64_t new_last_hour = 0;
    std::int64_t new_last_day = 0;
    std::vector<hunt::NumberRow> best_finds;
};

TargetReport gather(hunt::HuntStore& store, const hunt::TargetSummary& summary, hunt::TimeMs now) {
    TargetReport report;
    report.summary = &summary;
    report.assessment = hunt::assess_pool(summary.capture);
    report.cycles_last_hour = store.cycles_since(summary.target, now - kHourMs);
    report.new_last_hour = store.new_numbers_since(summary.target, now - kHourMs);
    report.new_last_day = store.new_numbers_since(summary.target, now - kDayMs);
    hunt::BestFinds best(summary.numbers_per_class, kBestFinds);
    hunt::NumberFilter filter;
    filter.target = summary.target;
    filter.any_of_classes = hunt::ClassMask((1U << unsigned(hunt::kClassBitCount)) - 1);
    store.for_each_number(filter, [&best](const hunt::NumberRow& row) {
        best.offer(row);
        return true;
    });
    report.best_finds = best.take();
    return report;
}

// Expected new numbers per hour at the last hour's pace of cycles.
double new_per_hour(const TargetReport& report) {
    return report.assessment.expected_new_per_cycle * double(report.cycles_last_hour);
}

std::string text_of(const TargetReport& report) {
    const auto& summary = *report.summary;
    const auto& assessment = report.assessment;
    std::string text = summary.target + "\n";
    text += "  cycles " + std::to_string(summary.cycles) + ", distinct numbers " +
            std::to_string(summary.distinct_numbers) + ", hits " + std::to_string(summary.hits) +
            "\n";
    text += "  draws " + model_name(assessment.model) + ", " + pool_text(assessment);
    if (const auto coverage = coverage_text(assessment); !coverage.empty()) {
        text += ", " + coverage;
    }
    text += "\n";
    if (assessment.sample_coverage) {
        text += "  " + known_text(assessment) + ", expect " +
                rate_text(assessment.expected_new_per_cycle) + " new numbers per cycle";
        text += report.cycles_last_hour > 0
                    ? ", " + rate_text(new_per_hour(report)) + " per hour at the last hour's " +
                          std::to_string(report.cycles_last_hour) + " cycles\n"
                    : " (no cycle in the last hour)\n";
    }
    text += "  new numbers: " + std::to_string(report.new_last_hour) + " in the last hour, " +
            std::to_string(report.new_last_day) + " in the last day\n";
    std::string classes;
    for (int bit = 0; bit < hunt::kClassBitCount; ++bit) {
        if (summary.numbers_per_class[std::size_t(bit)] > 0) {
            classes += (classes.empty() ? "" : ", ") + std::string(hunt::class_caption(bit)) + " " +
                       std::to_string(summary.numbers_per_class[std::size_t(bit)]);
        }
    }
    text += "  numbers per class: " + (classes.empty() ? std::string("none") : classes) + "\n";
    if (!report.best_finds.empty()) {
        text += "  best finds (rarest classes first):\n";
        for (const auto& row : report.best_finds) {
            text += "    " + std::to_string(row.number) + "  " + hunt::class_list(row.classes) +
                    "  first seen " + hunt::iso_time_text(row.first_seen) + ", seen " +
                    std::to_string(row.times_seen) + "x\n";
        }
    }
    return text;
}

std::string json_of(const TargetReport& report) {
    using nlohmann::json;
    const auto& summary = *report.summary;
    json object{{"target", summary.target},
                {"cycles", summary.cycles},
                {"seen", summary.distinct_numbers},
                {"hits", summary.hits}};
    add_assessment(object, report.assessment, new_per_hour(report));
    if (report.cycles_last_hour == 0) {
        object["expected_new_per_hour"] = nullptr;
    }
    object["cycles_last_hour"] = report.cycles_last_hour;
    object["new_last_hour"] = report.new_last_hour;
    object["new_last_day"] = report.new_last_day;
    auto classes = json::object();
    for (int bit = 0; bit < hunt::kClassBitCount; ++bit) {
        if (summary.numbers_per_class[std::size_t(bit)] > 0) {
            classes[std::string(hunt::class_caption(bit))] =
                summary.numbers_per_class[std::size_t(bit)];
        }
    }
    object["numbers_per_class"] = std::move(classes);
    auto finds = json::array();
    for (const auto& row : report.best_finds) {
        finds.push_back({{"number", std::to_string(row.number)},
                         {"classes", json_classes(row.classes)},
                         {"first_seen", hunt::iso_time_text(row.first_seen)},
                         {"times_seen", row.times_seen}});
    }
    object["best_finds"] = std::move(finds);
    return json_line(object);
}

}  // namespace

int run_report(const std::string& db, bool json) {
    try {
        auto store = open_store(db, StoreUse::Read);
        const auto summaries = store->summaries();
        if (summaries.empty()) {
            if (!json) {
                write_out(stdout, "the history holds no cycles yet\n");
            }
            return kExitOk;
        }
        const hunt::TimeMs now = std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::system_clock::now().time_since_epoch())
                                     .count();
        for (const auto& summary : summaries) {
            const TargetReport report = gather(*store, summary, now);
            write_out(stdout, json ? json_of(report) : text_of(report));
        }
        write_out(stdout, json ? outbox_json(*store) : outbox_text(*store));
        return kExitOk;
    } catch (const hunt::StoreError& error) {
        std::fprintf(stderr, "qorvex-hunt: %s\n", error.what());
        return kExitFailure;
    }
}

}  // namespace qorvex::hunt_cli
