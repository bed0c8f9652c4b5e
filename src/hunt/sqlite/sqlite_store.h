#pragma once

// The embedded history: one SQLite file in WAL mode, one transaction per
// cycle. Hunters sharing the file lease each target to one of them at a
// time, through the file; report and export read it at the same time,
// without writing to it or waiting for a hunter's lock.

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "hunt/store.h"

namespace qorvex::hunt::sqlite {

class Connection;
class SqliteOutbox;
struct Statements;
struct LeaseStatements;

struct SqliteOptions {
    // How long a write waits for another program's lock before Busy.
    std::chrono::milliseconds busy_wait{5000};
    // An upper bound on the file's size in bytes (0: none); past it a cycle
    // fails as Full and is not stored.
    std::int64_t max_bytes = 0;
};

class SqliteStore final : public HuntStore {
public:
    // Opens the history at `path`, creating it when the path does not exist,
    // and migrates it to the current schema. A file that is not a hunt
    // history, a newer schema, a file or folder that cannot be written, a
    // locked file: StoreError of that kind, and the file is left as it was.
    static std::unique_ptr<SqliteStore> open(const std::string& path,
                                             const SqliteOptions& options = {});
    // Opens an existing history to read it only: it needs no write access to
    // the file or its folder, writes nothing, and reads one snapshot of the
    // file however long it stays open, while hunters go on writing. A
    // history that holds nothing yet, or of an unknown schema, is refused.
    static std::unique_ptr<SqliteStore> open_for_reading(const std::string& path,
                                                         const SqliteOptions& options = {});
    ~SqliteStore() override;

    CycleCommit record_cycle(const CycleRecord& cycle, std::span<const Sighting> sightings,
                             ClassMask alert_classes) override;
    CaptureHistory capture_history(std::string_view target) override;
    CaptureHistory capture_sizes(std::string_view target) override;
    std::int64_t new_numbers_since(std::string_view target, TimeMs since) override;
    std::int64_t cycles_since(std::string_view target, TimeMs since) override;
    std::vector<TargetSummary> summaries() override;
    // `row` must not call back into the store: the query is still running.
    void for_each_number(const NumberFilter& filter,
                         const std::function<bool(const NumberRow&)>& row) override;
    bool lease_target(std::string_view target, std::string_view hunter_id, TimeMs now,
                      TimeMs until) override;
    void release_targets(std::string_view hunter_id) override;
    void record_target_state(std::string_view target, std::string_view state,
                             std::string_view reason, TimeMs since) override;

    // The outbox; its messages name this process's hunter (this_hunter_id).
    // A reader of a history older than the outbox finds no counts and no
    // failures in it.
    void register_channels(std::span<const OutboxChannel> channels) override;
    std::vector<OutboxMessage> waiting_messages(std::string_view channel_key,
                                                std::size_t limit) override;
    void mark_delivered(std::span<const std::int64_t> ids, TimeMs when) override;
    void mark_retry(std::span<const std::int64_t> ids, int failures, TimeMs next_attempt,
                    std::string_view error) override;
    void mark_failed(std::span<const std::int64_t> ids, TimeMs when,
                     std::string_view error) override;
    std::int64_t retry_failed(std::optional<std::string> channel_key, TimeMs now) override;
    std::vector<TimeMs> others_deliveries(std::string_view channel_key, TimeMs since) override;
    std::vector<OutboxFailure> failed_messages(std::size_t limit) override;
    std::vector<OutboxCounts> outbox_counts() override;

private:
    SqliteStore(std::unique_ptr<Connection> connection, bool hunting, bool has_outbox);
    SqliteOutbox& outbox();
    // The target's id, inserting the target inside the caller's transaction.
    std::int64_t target_id_for_write(std::string_view target);
    std::optional<std::int64_t> target_id(std::string_view target);
    // Whether the target holds a number first seen after `time`.
    bool first_seen_after(std::int64_t target, TimeMs time);

    std::unique_ptr<Connection> m_connection;
    std::unique_ptr<Statements> m_statements;
    std::unique_ptr<LeaseStatements> m_leases;  // a hunter's only
    std::unique_ptr<SqliteOutbox> m_outbox;     // none in a history older than the outbox
    // Ids of targets known to be committed; filled after commits only.
    std::map<std::string, std::int64_t, std::less<>> m_target_ids;
};

}  // namespace qorvex::hunt::sqlite
