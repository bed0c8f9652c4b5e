// Upserts into the shared PostgreSQL history from three hunters at once:
// each thread is a hunter with a connection of its own and targets of its
// own (as leases give them), storing cycles of 200 distinct numbers from its
// targets' pools of 4,000, a tenth of them new. Needs a server: run it
// through scripts/with-postgres, which sets QORVEX_TEST_POSTGRES.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "hunt/postgres/postgres_store.h"

namespace {

using namespace qorvex::hunt;

constexpr int kCycleSightings = 200;
constexpr int kNewPerCycle = 20;
constexpr std::int64_t kPool = 4000;
constexpr int kTargetsPerHunter = 4;

PhoneNumber number_of(std::int64_t index) {
    return 13'000'000'000 + (index * 2'654'435'761) % 10'000'000'000;
}

void upsert_from_three_hunters(benchmark::State& state) {
    const char* uri = std::getenv("QORVEX_TEST_POSTGRES");
    if (uri == nullptr) {
        state.SkipWithError("QORVEX_TEST_POSTGRES is not set: run through scripts/with-postgres");
        return;
    }
    const auto hunter = static_cast<std::int64_t>(state.thread_index());
    postgres::PostgresOptions options;
    options.queue_path = "/tmp/qorvex-bench-queue-" + std::to_string(hunter) + ".db";
    auto store = postgres::PostgresStore::open(uri, options);
    std::mt19937_64 random(static_cast<std::uint64_t>(20190423 + hunter));
    std::uniform_int_distribution<std::int64_t> in_pool(0, kPool - 1);
    // Numbers of (hunter, target, k) never meet those of another target.
    auto index_of = [&](std::int64_t target, std::int64_t k) {
        return (hunter * kTargetsPerHunter + target) + k * 1000;
    };
    std::int64_t next_new = kPool;
    std::int64_t cycle = 0;
    std::vector<Sighting> sightings;
    for (auto _ : state) {
        const std::int64_t target = cycle % kTargetsPerHunter;
        sightings.clear();
        for (int i = 0; i < kNewPerCycle; ++i) {
            sightings.push_back({number_of(index_of(target, next_new++)), 0});
        }
        while (sightings.size() < kCycleSightings) {
            const PhoneNumber number = number_of(index_of(target, in_pool(random)));
            if (std::none_of(sightings.begin(), sightings.end(),
                             [&](const Sighting& s) { return s.number == number; })) {
                sightings.push_back({number, 0});
            }
        }
        const std::string label = "Tavikmax/广东/" + std::to_string(hunter * 10 + target);
        store->record_cycle({label, ++cycle, CycleOutcome::Numbers, 230, 100, {}}, sightings, 1);
    }
    state.SetItemsProcessed(state.iterations() * kCycleSightings);
}

}  // namespace

BENCHMARK(upsert_from_three_hunters)
    ->Threads(3)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(5.0);

BENCHMARK_MAIN();
