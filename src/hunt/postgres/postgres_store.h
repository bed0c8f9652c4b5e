#pragma once

// The shared history on a PostgreSQL server: several hunters, one history.
// Sightings merge by upserts (each number once, first seen the earliest,
// last seen the latest, counts summed, classes united); a hit is decided in
// the same transaction, so a number two hunters see at once is one hit.
// Targets are leased to one hunter at a time, with an expiry on the
// server's clock.
//
// While the server is away the store keeps cycles in a local queue on disk,
// says so in degraded_note(), tries again with a growing pause, and sends
// the queue in order once the server is back. Every cycle carries a key its
// hunter made, unique on the server, so a cycle sent twice (its first
// commit's acknowledgement lost) is stored once.

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <string>

#include "hunt/store.h"

namespace qorvex::hunt::postgres {

class LocalQueue;
struct ServerConnection;

struct PostgresOptions {
    std::string queue_path;              // empty: default_queue_path()
    std::int64_t queue_limit = 200'000;  // cycles, about 100 MB of sightings
    std::chrono::milliseconds first_retry{1000};
    std::chrono::milliseconds longest_retry{15'000};
    std::chrono::seconds connect_timeout{5};
};

class PostgresStore final : public HuntStore {
public:
    // Connects to `uri` (a libpq URI, postgresql://…), creates or migrates
    // the schema, and sends what the local queue still holds. A wrong
    // password (Refused), an unreachable server (Unreachable), a newer
    // schema (NewerSchema): StoreError with a message naming the server.
    static std::unique_ptr<PostgresStore> open(const std::string& uri,
                                               const PostgresOptions& options = {});
    ~PostgresStore() override;

    CycleCommit record_cycle(const CycleRecord& cycle, std::span<const Sighting> sightings,
                             ClassMask alert_classes) override;
    CaptureHistory capture_history(std::string_view target) override;
    CaptureHistory capture_sizes(std::string_view target) override;
    std::int64_t new_numbers_since(std::string_view target, TimeMs since) override;
    std::int64_t cycles_since(std::string_view target, TimeMs since) override;
    std::vector<TargetSummary> summaries() override;
    void for_each_number(const NumberFilter& filter,
                         const std::function<bool(const NumberRow&)>& row) override;
    bool lease_target(std::string_view target, std::string_view hunter_id, TimeMs now,
                      TimeMs until) override;
    void release_targets(std::string_view hunter_id) override;
    std::string degraded_note() const override;
    std::vector<LateCommit> take_late_commits() override;

    // Cycles waiting in the local queue.
    std::int64_t queued_cycles();

private:
    PostgresStore(std::string uri, PostgresOptions options);
    void connect();
    // Connected, or reconnected now if the pause since the last try is over;
    // a queue left over is sent first.
    bool reachable();
    void lost(const std::exception& error);
    // Reads need the server: StoreError Unreachable while it is away.
    void require_server();
    CaptureHistory read_capture(std::string_view target, bool with_frequencies);
    // A count of a target's rows since a time, by a prepared *_since statement.
    std::int64_t count_since(const char* statement, std::string_view target, TimeMs since,
                             const char* doing);
    void flush_queue();
    // Stores one cycle in one transaction; nullopt when the server already
    // holds a cycle of that key.
    std::optional<CycleCommit> store_cycle(const std::string& key, const std::string& hunter,
                                           const CycleRecord& cycle,
                                           std::span<const Sighting> sightings,
                                           ClassMask alert_classes);
    std::int64_t target_id(const std::string& label);
    std::string new_cycle_key();
    [[noreturn]] void fail(const std::exception& error, const std::string& doing);
    LocalQueue& queue();

    std::string m_uri;
    std::string m_where;  // the URI without its password, for messages
    PostgresOptions m_options;
    std::unique_ptr<ServerConnection> m_connection;
    std::unique_ptr<LocalQueue> m_queue;
    std::map<std::string, std::int64_t, std::less<>> m_target_ids;
    // Leases this hunter holds, by target, with their end on its own clock:
    // while the server is away, it keeps querying what it held.
    std::map<std::string, TimeMs, std::less<>> m_held;
    std::vector<LateCommit> m_late;
    std::string m_hunter;  // the last hunter id seen, written with each cycle
    std::mt19937_64 m_random;
    std::uint64_t m_cycle_counter = 0;

    // Degraded state: when the server was lost, the next try, the pause.
    std::optional<std::chrono::steady_clock::time_point> m_lost_at;
    std::chrono::steady_clock::time_point m_next_try{};
    std::chrono::milliseconds m_retry{0};
    std::string m_lost_reason;
};

}  // namespace qorvex::hunt::postgres
