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
// commit's acknowledgement lost) is stored once, and gives its hits back.
//
// Hits: each hunter judges hits against its own alert set. A number new to
// the history is a hit when it is in the alert set of the hunter whose
// cycle stored it (that hunter alerts it), or else in the --alert classes of
// another hunter that hunts the target (the first such hunter by name
// alerts it, when it next asks the server). Either way it is stored once,
// and alerted once.

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "hunt/postgres/cycle_keys.h"
#include "hunt/postgres/statement_watch.h"
#include "hunt/store.h"

namespace qorvex::hunt::postgres {

class ConnectionAttempt;
class LocalQueue;
struct ServerConnection;

struct PostgresOptions {
    // A hunter records cycles and sends its queue; a reader (report,
    // export) only reads, and never touches the queue.
    bool hunter = true;
    // The hunter's name on the server ("host:pid"): its cycles, leases and
    // queued cycles carry it. Empty: the last id given to lease_target.
    std::string hunter_id;
    // The hunter's --alert classes, told to the server with each lease, so
    // that another hunter's cycle of a target this one hunts can make a
    // number this hunter's hit.
    ClassMask alert_classes = 0;
    std::string queue_path;              // empty: default_queue_path()
    std::int64_t queue_limit = 200'000;  // cycles, about 100 MB of sightings
    std::chrono::milliseconds first_retry{1000};
    std::chrono::milliseconds longest_retry{15'000};
    std::chrono::seconds connect_timeout{5};
    // The longest a statement may wait for the server: the server cancels
    // it after this (statement_timeout), and a server that stopped
    // answering altogether has its connection cut a little later.
    std::chrono::milliseconds statement_limit{4000};
    // Polled while a statement waits: once true (a stop was asked for), the
    // statement gets only a short grace before its connection is cut.
    std::function<bool()> give_up;
    // Queued cycles sent per recorded cycle, so that a long queue does not
    // hold up the hunt.
    int flush_batch = 50;
    std::size_t export_page = 5000;  // rows per page of for_each_number
};

class PostgresStore final : public HuntStore {
public:
    // Connects to `uri` (a libpq URI, postgresql://…; a password left out
    // of it comes from PGPASSWORD or ~/.pgpass, as libpq reads them), and
    // creates or migrates the schema. A wrong password (Refused), an
    // unreachable server (Unreachable), a newer schema (NewerSchema):
    // StoreError with a message naming the server, never its password.
    // Opening sends nothing: a hunter sends its queued cycles as it records.
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
    void record_target_state(std::string_view target, std::string_view state,
                             std::string_view reason, TimeMs since) override;
    std::string degraded_note() const override;
    std::vector<LateCommit> take_late_commits() override;

    // The outbox (postgres_outbox.cpp). While the server is away there are
    // no waiting messages to send, and the marks of sends made before it
    // went wait in the local queue file, in order, until it is back; any
    // hunter of the machine stores them before it is given a message.
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

    // This hunter's cycles waiting in the local queue.
    std::int64_t queued_cycles();

    // True while a connection attempt a store started in the background
    // still runs: the program must then end without static destructors.
    static bool connecting_in_background();

private:
    PostgresStore(std::string uri, PostgresOptions options);
    // Connected; or a background attempt finished; else one is started
    // once the pause since the last try is over, and waited for briefly.
    bool reachable();
    [[noreturn]] void fail(const std::exception& error, const std::string& doing);
    void lost(const std::exception& error);
    // A failed statement: the server away (lost), a statement worth
    // another try (noted), or else StoreError.
    void set_back(const std::exception& error, const std::string& doing);
    // Reads need the server: StoreError Unreachable while it is away.
    void require_server();
    CaptureHistory read_capture(std::string_view target, bool with_frequencies);
    // A count of a target's rows since a time, by a prepared *_since statement.
    std::int64_t count_since(const char* statement, std::string_view target, TimeMs since,
                             const char* doing);
    [[noreturn]] void failed(const std::exception& error, const std::string& doing);
    // Sends a batch of this hunter's queued cycles (and of hunters of this
    // machine that died); true once none of its own is left.
    bool flush_queue();
    std::vector<std::string> queue_senders();
    std::int64_t own_queued();
    CycleCommit store_cycle(const std::string& key, const std::string& hunter,
                            const CycleRecord& cycle, std::span<const Sighting> sightings,
                            ClassMask alert_classes);
    // Hits that other hunters' cycles stored for this hunter's alert set.
    void take_hits_of_others();
    std::int64_t target_id(const std::string& label);
    LocalQueue& queue();
    // A mark of outbox messages, kept until the server has it.
    struct OutboxMark {
        OutboxState state = OutboxState::Waiting;  // Waiting: a retry
        std::vector<std::int64_t> ids;
        TimeMs when = 0;  // delivered or failed at; the next attempt of a retry
        int failures = 0;
        std::string error;
    };
    void mark(OutboxMark mark);
    // Sends the kept marks, oldest first; false while some are left.
    bool send_marks();
    bool send_kept_marks();
    void keep_marks();
    // Reads and commands of the outbox: the server, with the kept marks
    // sent first where it takes them.
    void require_marked();
    // Sends this hunter's channels if the server does not have them yet;
    // pqxx errors for the caller.
    void send_channels();
    // Runs `work` on the connection with the statement watch armed.
    template <typename Work>
    auto watched(Work&& work);

    std::string m_uri;
    std::string m_where;  // the URI without its password, for messages
    PostgresOptions m_options;
    std::unique_ptr<ServerConnection> m_connection;
    std::unique_ptr<ConnectionAttempt> m_attempt;
    std::unique_ptr<StatementWatch> m_watch;
    std::unique_ptr<LocalQueue> m_queue;
    std::int64_t m_own_queued = -1;  // -1: not counted yet
    std::chrono::steady_clock::time_point m_next_adoption{};
    std::map<std::string, std::int64_t, std::less<>> m_target_ids;
    // Leases this hunter holds, by target, with their end on its own clock:
    // while the server is away, it keeps querying what it held.
    std::map<std::string, TimeMs, std::less<>> m_held;
    std::vector<LateCommit> m_late;
    // Hits of others' cycles alerted here whose marking did not reach the
    // server yet: never alerted twice.
    std::set<std::int64_t> m_unmarked;
    std::vector<OutboxChannel> m_channels;
    bool m_channels_sent = true;
    std::vector<OutboxMark> m_marks;
    std::string m_hunter;
    CycleKeys m_keys;
    std::mt19937_64 m_random;

    // Degraded state: when the server was lost, the next try, the pause.
    std::optional<std::chrono::steady_clock::time_point> m_lost_at;
    std::chrono::steady_clock::time_point m_next_try{};
    std::chrono::milliseconds m_retry{0};
    std::string m_lost_reason;
    std::string m_setback;  // the last statement the server cancelled
};

}  // namespace qorvex::hunt::postgres
