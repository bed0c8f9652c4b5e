#include "hunt_cli/report_command.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "hunt/best_finds.h"
#include "hunt/class_names.h"
#include "hunt/iso_time.h"
#include "hunt/pool_estimate.h"
#include "hunt_cli/exit_codes.h"
#include "hunt_cli/hunt_view.h"
#include "hunt_cli/status_text.h"
#include "hunt_cli/store_factory.h"

namespace qorvex::hunt_cli {

namespace {

constexpr hunt::TimeMs kHourMs = 3'600'000;
constexpr hunt::TimeMs kDayMs = 24 * kHourMs;
constexpr std::size_t kBestFinds = 10;

std::string target_report(hunt::HuntStore& store, const hunt::TargetSummary& summary,
                          hunt::TimeMs now) {
    std::string text = summary.target + "\n";
    text += "  cycles " + std::to_string(summary.cycles) + ", distinct numbers " +
            std::to_string(summary.distinct_numbers) + ", hits " + std::to_string(summary.hits) +
            "\n";
    text += "  " + estimate_text(hunt::estimate_pool(summary.capture)) + "\n";
    text +=
        "  new numbers: " + std::to_string(store.new_numbers_since(summary.target, now - kHourMs)) +
        " in the last hour, " +
        std::to_string(store.new_numbers_since(summary.target, now - kDayMs)) +
        " in the last day\n";
    std::string classes;
    for (int bit = 0; bit < hunt::kClassBitCount; ++bit) {
        if (summary.numbers_per_class[std::size_t(bit)] > 0) {
            classes += (classes.empty() ? "" : ", ") + std::string(hunt::class_caption(bit)) + " " +
                       std::to_string(summary.numbers_per_class[std::size_t(bit)]);
        }
    }
    text += "  numbers per class: " + (classes.empty() ? std::string("none") : classes) + "\n";

    hunt::BestFinds best(summary.numbers_per_class, kBestFinds);
    hunt::NumberFilter filter;
    filter.target = summary.target;
    filter.any_of_classes = hunt::ClassMask((1U << unsigned(hunt::kClassBitCount)) - 1);
    store.for_each_number(filter, [&best](const hunt::NumberRow& row) {
        best.offer(row);
        return true;
    });
    const auto finds = best.take();
    if (!finds.empty()) {
        text += "  best finds (rarest classes first):\n";
        for (const auto& row : finds) {
            text += "    " + std::to_string(row.number) + "  " + hunt::class_list(row.classes) +
                    "  first seen " + hunt::iso_time_text(row.first_seen) + ", seen " +
                    std::to_string(row.times_seen) + "x\n";
        }
    }
    return text;
}

}  // namespace

int run_report(const std::string& db) {
    try {
        auto store = open_store(db, StoreUse::Read);
        const auto summaries = store->summaries();
        if (summaries.empty()) {
            write_out(stdout, "the history holds no cycles yet\n");
            return kExitOk;
        }
        const hunt::TimeMs now = std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::system_clock::now().time_since_epoch())
                                     .count();
        for (const auto& summary : summaries) {
            write_out(stdout, target_report(*store, summary, now));
        }
        return kExitOk;
    } catch (const hunt::StoreError& error) {
        std::fprintf(stderr, "qorvex-hunt: %s\n", error.what());
        return kExitFailure;
    }
}

}  // namespace qorvex::hunt_cli
