// Stores the crash test's cycles into a history, one after another, without
// end, and prints the index of each cycle once it is committed. The test
// kills it with SIGKILL at random moments.
//
//   hunt_sqlite_writer FILE

#include <cstdio>
#include <exception>

#include "hunt/sqlite/sqlite_store.h"
#include "hunt_sqlite/crash_cycles.h"

int main(int argc, char** argv) {
    using namespace qorvex::hunt;
    if (argc != 2) {
        std::fprintf(stderr, "usage: hunt_sqlite_writer FILE\n");
        return 2;
    }
    try {
        auto store = sqlite::SqliteStore::open(argv[1]);
        const auto summaries = store->summaries();
        int index = summaries.empty() ? 0 : static_cast<int>(summaries.front().cycles);
        for (;; ++index) {
            store->record_cycle(test::crash_cycle(index), test::crash_sightings(index), 1);
            std::printf("%d\n", index);
            std::fflush(stdout);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "hunt_sqlite_writer: %s\n", error.what());
        return 1;
    }
}
