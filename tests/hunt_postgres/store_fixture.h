#pragma once

// What the shared store's tests share: a test schema on the test server,
// stores opened on it with a queue file each in the test's own folder, and
// a target and numbers to record.

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "hunt/postgres/postgres_store.h"
#include "hunt_postgres/test_database.h"

namespace qorvex::hunt::postgres {

inline constexpr ClassMask kAaa = 1U << 0;
inline constexpr ClassMask kAbcde = 1U << 3;
inline constexpr PhoneNumber kNumber = 13800138000;
inline const std::string kShenzhen = "Tavikmax/广东/深圳";

inline CycleRecord cycle_at(TimeMs started, CycleOutcome outcome = CycleOutcome::Numbers) {
    return {kShenzhen, started, outcome, 3, 80, {}};
}

// Each store gets a queue file of its own in the test's folder.
class PostgresStoreTest : public ::testing::Test {
protected:
    std::unique_ptr<PostgresStore> open_store(
        const std::string& uri, const std::function<void(PostgresOptions&)>& adjust = {}) {
        PostgresOptions options;
        options.queue_path = (m_folder / ("queue" + std::to_string(++m_stores) + ".db")).string();
        options.first_retry = std::chrono::milliseconds(50);
        options.longest_retry = std::chrono::milliseconds(200);
        if (adjust) {
            adjust(options);
        }
        return PostgresStore::open(uri, options);
    }
    std::unique_ptr<PostgresStore> open_store() { return open_store(m_database.uri()); }
    // A hunter of the given name and alert classes, its queue in `queue`.
    std::unique_ptr<PostgresStore> open_hunter(const std::string& hunter, ClassMask alerts,
                                               const std::string& queue = "shared-queue.db") {
        return open_store(m_database.uri(), [&](PostgresOptions& options) {
            options.hunter_id = hunter;
            options.alert_classes = alerts;
            options.queue_path = (m_folder / queue).string();
        });
    }

    void TearDown() override { std::filesystem::remove_all(m_folder); }

    test::TestDatabase m_database;
    std::filesystem::path m_folder =
        std::filesystem::temp_directory_path() /
        ("qorvex-pg-" + std::to_string(getpid()) + "-" +
         ::testing::UnitTest::GetInstance()->current_test_info()->name());
    int m_stores = 0;
};

// Waits until the store has its server again (it reconnects in the
// background, once its pause is over).
inline void reconnect(HuntStore& store) {
    for (int tries = 0; tries < 100; ++tries) {
        try {
            store.capture_history(kShenzhen);
            return;
        } catch (const StoreError&) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }
    FAIL() << "the store did not reconnect";
}

}  // namespace qorvex::hunt::postgres
