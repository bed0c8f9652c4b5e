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

// An outbox mark the server could not take when it was made, kept until it
// is back. Any hunter of this machine may apply it: a mark changes only
// messages it still applies to, so applying it twice changes nothing more.
struct KeptMark {
    std::int64_t position = 0;
    int state = 0;    // OutboxState as an integer
    std::string ids;  // the server's array text, "{1,2,3}"
    TimeMs when = 0;
    int failures = 0;
    std::string error;
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
    void keep_mark(const KeptMark& mark);
    std::optional<KeptMark> oldest_mark();
    void remove_mark(std::int64_t position);

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
    std::unique_ptr<sqlite::Statement> m_keep_mark;
    std::unique_ptr<sqlite::Statement> m_oldest_mark;
    std::unique_ptr<sqlite::Statement> m_remove_mark;
};

// $XDG_STATE_HOME/qorvex-hunt/queue.db, else ~/.local/state/qorvex-hunt/queue.db.
std::string default_queue_path();

}  // namespace qorvex::hunt::postgres
