// What storing a cycle costs in the SQLite history once it is large: cycles
// of 200 distinct numbers, one transaction each, into a file that already
// holds 1,000,000 distinct numbers. Also reports the file's size per
// 1,000,000 numbers.
//
// Argument: the number of targets the million numbers belong to.
// - 250: a hunt's shape. Each target's pool holds 4,000 numbers (the size
//   pool-sim and the carrier's city pools have); a cycle draws 180 of them,
//   mostly seen before, and 20 numbers new to the pool (sold numbers are
//   replaced). Cycles go round the targets.
// - 1: the worst case. One target holds all million; a cycle's repeats are
//   drawn from all of them, so nearly every repeat lands on a page of its
//   own.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "hunt/sqlite/sqlite_store.h"

namespace {

using namespace qorvex::hunt;
namespace fs = std::filesystem;

constexpr std::int64_t kStoredNumbers = 1'000'000;
constexpr int kCycleSightings = 200;
constexpr int kNewPerCycle = 20;

// Spreads consecutive indices over the number space, as a pool's numbers are
// (the multiplier is prime to 10^10, so distinct indices stay distinct).
PhoneNumber number_of(std::int64_t index) {
    return 13'000'000'000 + (index * 2'654'435'761) % 10'000'000'000;
}

ClassMask classes_of(PhoneNumber number) {
    return static_cast<ClassMask>(number % 97 == 0 ? 1U << (number % kClassBitCount) : 0U);
}

std::string target_name(std::int64_t target) {
    return "Tavikmax/广东/" + std::to_string(target);
}

// Fills a fresh history: target t holds the numbers of indices t, t + T,
// t + 2T, … Filled in key order, which is quick.
fs::path filled_history(std::int64_t targets) {
    const fs::path folder =
        fs::temp_directory_path() / ("qorvex-bench-" + std::to_string(getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    fs::path path = folder / "hunt.db";
    auto store = sqlite::SqliteStore::open(path.string());
    const std::int64_t per_target = kStoredNumbers / targets;
    std::vector<Sighting> batch;
    for (std::int64_t target = 0; target < targets; ++target) {
        batch.clear();
        for (std::int64_t k = 0; k < per_target; ++k) {
            const PhoneNumber number = number_of(target + k * targets);
            batch.push_back({number, classes_of(number)});
        }
        std::sort(batch.begin(), batch.end(),
                  [](const Sighting& a, const Sighting& b) { return a.number < b.number; });
        store->record_cycle({target_name(target),
                             0,
                             CycleOutcome::Numbers,
                             static_cast<int>(batch.size()),
                             100,
                             {}},
                            batch, 0);
    }
    return path;
}

void record_cycle_into_large_history(benchmark::State& state) {
    const std::int64_t targets = state.range(0);
    const fs::path path = filled_history(targets);
    state.counters["bytes_per_1M_numbers"] = static_cast<double>(fs::file_size(path));
    auto store = sqlite::SqliteStore::open(path.string());
    // A target's repeats come from all its numbers: a pool of 4,000 in a
    // hunt's shape, the whole million in the worst case.
    const std::int64_t per_target = kStoredNumbers / targets;
    std::mt19937_64 random(20190423U);
    std::uniform_int_distribution<std::int64_t> in_pool(0, per_target - 1);
    std::int64_t next_new = kStoredNumbers;
    std::vector<Sighting> sightings;
    std::vector<std::string> names;
    for (std::int64_t target = 0; target < targets; ++target) {
        names.push_back(target_name(target));
    }
    TimeMs started = 1;
    std::int64_t target = 0;
    for (auto _ : state) {
        state.PauseTiming();
        target = (target + 1) % targets;
        sightings.clear();
        for (int i = 0; i < kNewPerCycle; ++i) {
            sightings.push_back({number_of(next_new), classes_of(number_of(next_new))});
            ++next_new;
        }
        // A pool's repeats: its numbers sit at indices target + k * targets.
        while (sightings.size() < kCycleSightings) {
            const PhoneNumber number = number_of(target + in_pool(random) * targets);
            if (std::none_of(sightings.begin(), sightings.end(),
                             [&](const Sighting& s) { return s.number == number; })) {
                sightings.push_back({number, classes_of(number)});
            }
        }
        state.ResumeTiming();
        store->record_cycle({names[static_cast<std::size_t>(target)],
                             ++started,
                             CycleOutcome::Numbers,
                             230,
                             100,
                             {}},
                            sightings, 1);
    }
    state.SetItemsProcessed(state.iterations() * kCycleSightings);
    store.reset();
    fs::remove_all(path.parent_path());
}

}  // namespace

BENCHMARK(record_cycle_into_large_history)
    ->Arg(250)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond)
    ->MinTime(3.0);

BENCHMARK_MAIN();
