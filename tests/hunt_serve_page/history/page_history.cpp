// Writes the history the page's browser test serves, through the store's own
// interface: a target with some hours of cycles (new numbers, repeats, hits,
// a failure and a rate-limited reply), resting, and a stopped target whose
// label and reason are markup that would run if the page ever wrote a value
// as HTML.
//
//   hunt_page_history FILE           the history, from scratch
//   hunt_page_history FILE --append  one more cycle of the first target, now

#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "hunt/sqlite/sqlite_store.h"

namespace {

using namespace qorvex::hunt;

constexpr const char* kTarget = "Tavikmax/广东/深圳";
constexpr const char* kHostileTarget = "<img src=x onerror=\"window.__pwned=1\">/广东/深圳";
constexpr int kCycles = 60;
constexpr TimeMs kMinute = 60'000;
constexpr ClassMask kAaa = 1;            // AAA
constexpr ClassMask kTailAaa = 1 << 12;  // 尾AAA

TimeMs now_ms() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

// Twenty numbers of a pool of 400, drawn the same way every run; each number
// whose last three digits repeat is an AAA and a 尾AAA.
std::vector<Sighting> reply_of(int cycle) {
    std::vector<Sighting> sightings;
    unsigned state = static_cast<unsigned>(cycle) * 2654435761U + 12345U;
    std::vector<bool> taken(400, false);
    while (sightings.size() < 20) {
        state = state * 1103515245U + 12345U;
        const unsigned slot = (state >> 8) % 400;
        if (taken[slot]) {
            continue;
        }
        taken[slot] = true;
        const PhoneNumber number = 13800000000 + PhoneNumber(slot) * 111;
        const bool triple = number % 10 == number / 10 % 10 && number % 10 == number / 100 % 10;
        sightings.push_back({number, triple ? ClassMask(kAaa | kTailAaa) : ClassMask(0)});
    }
    return sightings;
}

void record(HuntStore& store, const char* target, TimeMs at, int cycle) {
    CycleRecord record{target, at, CycleOutcome::Numbers, 20, 150, {}};
    if (cycle % 23 == 11) {
        record.outcome = CycleOutcome::Failed;
        record.error = "connection refused";
    } else if (cycle % 29 == 17) {
        record.outcome = CycleOutcome::RateLimited;
        record.error = "访问人数过多";
    }
    const auto sightings =
        record.outcome == CycleOutcome::Numbers ? reply_of(cycle) : std::vector<Sighting>{};
    store.record_cycle(record, sightings, kAaa);
}

}  // namespace

int main(int argc, char** argv) {
    const bool append = argc == 3 && std::strcmp(argv[2], "--append") == 0;
    if (argc != 2 && !append) {
        std::fprintf(stderr, "usage: hunt_page_history FILE [--append]\n");
        return 2;
    }
    try {
        auto store = sqlite::SqliteStore::open(argv[1]);
        const TimeMs now = now_ms();
        if (append) {
            int cycles = 0;
            for (const auto& summary : store->summaries()) {
                cycles = summary.target == kTarget ? int(summary.cycles) : cycles;
            }
            record(*store, kTarget, now, cycles);
            return 0;
        }
        for (int cycle = 0; cycle < kCycles; ++cycle) {
            const TimeMs at = now - (kCycles - cycle) * 3 * kMinute;
            record(*store, kTarget, at, cycle);
            if (cycle % 4 == 0) {
                record(*store, kHostileTarget, at + 1000, cycle + 1000);
            }
        }
        store->record_target_state(kTarget, "resting", "status 503, next query in 1 min",
                                   now - kMinute);
        store->record_target_state(kHostileTarget, "stopped", "<b>coverage</b> 90.2% of 90%",
                                   now - 10 * kMinute);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "hunt_page_history: %s\n", error.what());
        return 1;
    }
}
