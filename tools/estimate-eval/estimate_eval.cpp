// estimate-eval: hunts simulated in process (simulated_hunt.h) against
// pools of known size, drawn uniformly or unevenly, to judge the pool
// estimates, the uniform-draw test and both stop rules over many seeds.
// Every row runs each seed until both stop rules have stopped (and at least
// to the check cycle), or until the hunt has drawn kPoolsOfDraws pools'
// worth of numbers, when it counts as going on.
//
// Usage: estimate-eval [--seeds 100] [--quick] [--pool N] [--reply N]
// (--quick: pool 3000, replies of 200; --pool and --reply: one of each)

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "hunt/pool_assessment.h"
#include "hunt/stop_rules.h"
#include "simulated_hunt.h"

namespace {

using qorvex::estimate_eval::SimulatedHunt;
using qorvex::hunt::DrawModel;
using qorvex::hunt::PoolAssessment;
using qorvex::hunt::stop_decision;
using qorvex::hunt::StopRules;

constexpr double kStopCoverage = 0.9;
// The new-numbers rule stops once a reply is expected to hold fewer new
// numbers than this share of its size.
constexpr double kNewShareBelow = 0.01;
constexpr int kCheckCycle = 30;
// A hunt that no rule stopped by this many pools' worth of draws is
// counted as going on.
constexpr double kPoolsOfDraws = 25;

struct Row {
    int pool = 0;
    int reply = 0;
    double shape = 0;  // 0: uniform
};

struct SeedResult {
    bool flagged_at_check = false;
    bool ever_flagged = false;                 // at any cycle until both rules stopped
    bool unlabelled_miss = false;              // an interval shown without "at least" excluded N
    int shown = 0;                             // cycles with an estimate shown
    int missed = 0;                            // of them, unlabelled and excluding N
    std::optional<double> coverage_stop;       // true coverage at the coverage rule's stop
    bool coverage_stop_holds = false;          // the shown interval held N there
    double coverage_stop_error = 0;            // relative error of the shown figure there
    bool coverage_stop_uniform = false;        // stopped on the uniform estimate
    std::optional<double> unseen_at_new_stop;  // true unseen share at the new-numbers stop
};

SeedResult hunt(const Row& row, std::uint64_t seed) {
    SimulatedHunt simulated(row.pool, row.reply, row.shape, seed);
    SeedResult result;
    const double truth = row.pool;
    const StopRules coverage_rule{kStopCoverage, std::nullopt};
    // The rate is per hour; at one cycle an hour it is per cycle.
    const StopRules new_rule{std::nullopt, kNewShareBelow * row.reply};
    const int last_cycle = int(std::ceil(kPoolsOfDraws * row.pool / row.reply));
    while (simulated.cycles() < last_cycle) {
        simulated.cycle();
        const PoolAssessment assessment = simulated.progress().assessment();
        const auto& estimate = assessment.estimate;
        result.shown += estimate ? 1 : 0;
        if (estimate && !assessment.lower_bound &&
            (estimate->low > truth || estimate->high < truth)) {
            result.unlabelled_miss = true;
            ++result.missed;
        }
        result.ever_flagged = result.ever_flagged || assessment.model == DrawModel::Uneven;
        if (simulated.cycles() == kCheckCycle) {
            result.flagged_at_check = assessment.model == DrawModel::Uneven;
        }
        if (!result.coverage_stop && stop_decision(assessment, coverage_rule, 1.0)) {
            result.coverage_stop = simulated.true_coverage();
            result.coverage_stop_holds = estimate->low <= truth && truth <= estimate->high;
            result.coverage_stop_error = std::abs(estimate->pool - truth) / truth;
            result.coverage_stop_uniform = !assessment.lower_bound;
        }
        if (!result.unseen_at_new_stop && stop_decision(assessment, new_rule, 1.0)) {
            result.unseen_at_new_stop = simulated.true_unseen_share();
        }
        if (result.coverage_stop && result.unseen_at_new_stop &&
            simulated.cycles() >= kCheckCycle) {
            break;
        }
    }
    return result;
}

double quantile(std::vector<double> values, double q) {
    if (values.empty()) {
        return NAN;
    }
    std::sort(values.begin(), values.end());
    return values[std::size_t(std::floor(q * double(values.size() - 1) + 0.5))];
}

std::string shape_text(double shape) {
    if (shape == 0) {
        return "none";
    }
    char text[32];
    std::snprintf(text, sizeof text, "gamma %g", shape);
    return text;
}

std::string percent(double share) {
    if (std::isnan(share)) {
        return "-";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", share * 100);
    return text;
}

// Every row and seed its own stream, the same on every run.
std::uint64_t row_seed(const Row& row) {
    const auto shape = unsigned(std::lround(row.shape * 8));
    return ((std::uint64_t(unsigned(row.pool)) << 32) ^ (std::uint64_t(unsigned(row.reply)) << 16) ^
            shape) *
           1000;
}

void run_row(const Row& row, int seeds) {
    int flagged = 0;
    int ever_flagged = 0;
    int missed = 0;
    std::int64_t shown_cycles = 0;
    std::int64_t missed_cycles = 0;
    int stopped = 0;
    int holds = 0;
    int uniform_stops = 0;
    int new_stopped = 0;
    std::vector<double> coverages;
    std::vector<double> errors;
    std::vector<double> unseen;
    for (int seed = 0; seed < seeds; ++seed) {
        const auto result = hunt(row, row_seed(row) + unsigned(seed));
        flagged += result.flagged_at_check ? 1 : 0;
        ever_flagged += result.ever_flagged ? 1 : 0;
        missed += result.unlabelled_miss ? 1 : 0;
        shown_cycles += result.shown;
        missed_cycles += result.missed;
        if (result.coverage_stop) {
            ++stopped;
            holds += result.coverage_stop_holds ? 1 : 0;
            uniform_stops += result.coverage_stop_uniform ? 1 : 0;
            coverages.push_back(*result.coverage_stop);
            errors.push_back(result.coverage_stop_error);
        }
        if (result.unseen_at_new_stop) {
            ++new_stopped;
            unseen.push_back(*result.unseen_at_new_stop);
        }
    }
    const auto share = [seeds](int count) { return percent(double(count) / seeds); };
    std::printf(
        "| %5d | %3d | %-9s | %5s | %5s | %5s | %5s | %5s | %5s | %5s | %5s | %5s | %5s | %5s | "
        "%5s | %5s |\n",
        row.pool, row.reply, shape_text(row.shape).c_str(), share(flagged).c_str(),
        share(ever_flagged).c_str(), share(missed).c_str(),
        percent(shown_cycles > 0 ? double(missed_cycles) / double(shown_cycles) : NAN).c_str(),
        share(stopped).c_str(),
        stopped > 0 ? percent(double(uniform_stops) / stopped).c_str() : "-",
        stopped > 0 ? percent(double(holds) / stopped).c_str() : "-",
        percent(quantile(errors, 0.5)).c_str(), percent(quantile(coverages, 0.5)).c_str(),
        percent(quantile(coverages, 0.05)).c_str(), share(new_stopped).c_str(),
        percent(quantile(unseen, 0.5)).c_str(), percent(quantile(unseen, 0.95)).c_str());
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    int seeds = 100;
    bool quick = false;
    int only_pool = 0;
    int only_reply = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--seeds") == 0 && i + 1 < argc) {
            seeds = std::max(1, std::atoi(argv[++i]));
        } else if (std::strcmp(argv[i], "--quick") == 0) {
            quick = true;
        } else if (std::strcmp(argv[i], "--pool") == 0 && i + 1 < argc) {
            only_pool = std::max(1, std::atoi(argv[++i]));
        } else if (std::strcmp(argv[i], "--reply") == 0 && i + 1 < argc) {
            only_reply = std::max(1, std::atoi(argv[++i]));
        } else {
            std::fprintf(stderr,
                         "usage: estimate-eval [--seeds N] [--quick] [--pool N] [--reply N]\n");
            return 2;
        }
    }
    std::vector<int> pools =
        quick ? std::vector<int>{3000} : std::vector<int>{1000, 3000, 10000, 20000};
    std::vector<int> replies = quick ? std::vector<int>{200} : std::vector<int>{50, 200};
    if (only_pool > 0) {
        pools = {only_pool};
    }
    if (only_reply > 0) {
        replies = {only_reply};
    }
    const std::vector<double> shapes{0, 4, 2, 1, 0.5};
    const auto started = std::chrono::steady_clock::now();
    std::printf(
        "%d seeds a row; coverage rule C = %.2f; new-numbers rule below %.0f%% of a reply\n\n",
        seeds, kStopCoverage, kNewShareBelow * 100);
    std::printf(
        "| pool | reply | uneven | flagged@%d %% | ever flagged %% | unlabelled miss, seeds %% | "
        "unlabelled miss, "
        "cycles %% | cov. stop %% | on uniform "
        "%% | interval holds %% | median error %% | true cov. median %% | true cov. p5 %% | new "
        "stop %% | unseen median %% | unseen p95 %% |\n",
        kCheckCycle);
    std::printf("|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|\n");
    for (const int pool : pools) {
        for (const int reply : replies) {
            for (const double shape : shapes) {
                run_row({pool, reply, shape}, seeds);
            }
        }
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("\n%.0f s\n", seconds);
    return 0;
}
