#pragma once

// Cycles waiting for the shared server: kept on disk, in a small SQLite file
// of their own, in the order they were recorded, until the server has taken
// them. Hunters of one user share the file; each row names the hunter that
// recorded it, and each hunter sends its own rows (and those of hunters
// that died), so that each alerts the hits of its own cycles. Bounded: past
// its limit a cycle is refused as Full, and nothing already queued is
// dropped.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "hunt/store.h"

namespace qorvex::hunt::sqlite {
class Connection;
class Statement;
}  // namespace qorvex::hunt::sqlite

namespace qorvex::hunt::postgres {

struct QueuedCycle {
    std::int64_t position = 0;  // the queue's own order
    std::string key;            // the cycle's key on the server
    std::string hunter;         // the hunter that recorded it
    CycleRecord record;
    std::vector<Sighting> sightings;
    ClassMask alert_classes = 0;
};

class LocalQueue {
public:
    // Opens (or creates) the queue file; its folder is created if missing.
    LocalQueue(const std::string& path, std::int64_t max_cycles);
    ~LocalQueue();
    LocalQueue(const LocalQueue&) = delete;
    LocalQueue& operator=(const LocalQueue&) = delete;

    void push(const QueuedCycle& cycle);
    // The oldest cycle that `hunter` recorded.
    std::optional<QueuedCycle> oldest(const std::string& hunter);
    void remove(std::int64_t position);
    std::int64_t size();
    std::int64_t size_of(const std::string& hunter);
    // Every hunter with a cycle in the queue.
    std::vector<std::string> hunters();
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
    std::int64_t m_max_cycles;
    std::unique_ptr<sqlite::Connection> m_connection;
    std::unique_ptr<sqlite::Statement> m_push;
    std::unique_ptr<sqlite::Statement> m_oldest;
    std::unique_ptr<sqlite::Statement> m_remove;
    std::unique_ptr<sqlite::Statement> m_count;
    std::unique_ptr<sqlite::Statement> m_count_of;
    std::unique_ptr<sqlite::Statement> m_hunters;
};

// $XDG_STATE_HOME/qorvex-hunt/queue.db, else ~/.local/state/qorvex-hunt/queue.db.
std::string default_queue_path();

}  // namespace qorvex::hunt::postgres
