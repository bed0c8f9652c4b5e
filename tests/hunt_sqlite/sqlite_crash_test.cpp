#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <random>
#include <thread>

#include "hunt/sqlite/sqlite_connection.h"
#include "hunt/sqlite/sqlite_store.h"
#include "hunt_sqlite/crash_cycles.h"
#include "hunt_sqlite/history_folder.h"

extern char** environ;

namespace qorvex::hunt::sqlite {
namespace {

// Runs the writer until it reports a committed cycle, lets it go on for
// `then`, kills it with SIGKILL and returns the last cycle it reported.
int write_then_kill(const std::string& path, std::chrono::microseconds then) {
    int out[2];
    EXPECT_EQ(pipe(out), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const std::string program = QORVEX_BINARY_DIR "/tests/hunt_sqlite_writer";
    std::vector<char*> argv{const_cast<char*>(program.c_str()), const_cast<char*>(path.c_str()),
                            nullptr};
    pid_t pid = -1;
    EXPECT_EQ(posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    FILE* reported = fdopen(out[0], "r");
    int last = -1;
    int index = 0;
    if (std::fscanf(reported, "%d", &index) == 1) {
        last = index;
    }
    std::this_thread::sleep_for(then);
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status)) << "the writer ended by itself";
    // Everything the writer printed before it died is in the pipe.
    while (std::fscanf(reported, "%d", &index) == 1) {
        last = index;
    }
    std::fclose(reported);
    return last;
}

struct Expected {
    TimeMs first_seen = 0;
    TimeMs last_seen = 0;
    std::int64_t times_seen = 0;
};

// What the first `cycles` cycles add up to, number by number.
std::map<PhoneNumber, Expected> expected_numbers(int cycles) {
    std::map<PhoneNumber, Expected> numbers;
    for (int i = 0; i < cycles; ++i) {
        const TimeMs started = test::crash_cycle(i).started;
        for (const Sighting& sighting : test::crash_sightings(i)) {
            Expected& e = numbers[sighting.number];
            e.first_seen = e.times_seen == 0 ? started : e.first_seen;
            e.last_seen = started;
            ++e.times_seen;
        }
    }
    return numbers;
}

TEST(SqliteCrash, AKilledWriterLosesAtMostTheCycleInFlight) {
    test::HistoryFolder folder;
    const std::string path = folder.file("hunt.db");
    SqliteStore::open(path);
    std::mt19937 random(20190423);
    std::uniform_int_distribution<int> then_us(0, 5'000);
    int acknowledged = -1;
    constexpr int kKills = 30;
    for (int round = 0; round < kKills; ++round) {
        SCOPED_TRACE("kill " + std::to_string(round));
        acknowledged = std::max(acknowledged,
                                write_then_kill(path, std::chrono::microseconds(then_us(random))));
        Connection check(path, Connection::Create::Never);
        ASSERT_EQ(check.query_text("PRAGMA integrity_check"), "ok");
        const std::int64_t stored = check.query_integer("SELECT count(*) FROM cycles");
        // Every reported cycle is there; at most one more, committed but
        // killed before it could say so.
        ASSERT_GE(stored, acknowledged + 1);
        ASSERT_LE(stored, acknowledged + 2);
        acknowledged = static_cast<int>(stored) - 1;
    }
    ASSERT_GE(acknowledged, kKills - 1) << "the writer did not get going";

    // Each stored cycle is whole: the numbers add up to exactly those cycles.
    auto store = SqliteStore::open(path);
    const auto expected = expected_numbers(acknowledged + 1);
    std::size_t rows = 0;
    store->for_each_number({}, [&](const NumberRow& row) {
        const auto e = expected.find(row.number);
        EXPECT_NE(e, expected.end()) << row.number;
        if (e != expected.end()) {
            EXPECT_EQ(row.first_seen, e->second.first_seen) << row.number;
            EXPECT_EQ(row.last_seen, e->second.last_seen) << row.number;
            EXPECT_EQ(row.times_seen, e->second.times_seen) << row.number;
        }
        ++rows;
        return true;
    });
    EXPECT_EQ(rows, expected.size());
}

}  // namespace
}  // namespace qorvex::hunt::sqlite
