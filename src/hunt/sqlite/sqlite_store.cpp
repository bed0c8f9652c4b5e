#include "hunt/sqlite/sqlite_store.h"

#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "hunt/local_hunters/local_hunters.h"
#include "hunt/sqlite/capture_reading.h"
#include "hunt/sqlite/sqlite_connection.h"
#include "hunt/sqlite/sqlite_outbox.h"
#include "hunt/sqlite/sqlite_schema.h"

namespace qorvex::hunt::sqlite {

// Every statement the store runs, prepared once when the store opens.
struct Statements {
    explicit Statements(Connection& c)
        : find_target(c, "SELECT id FROM targets WHERE label = ?1"),
          insert_target(c,
                        "INSERT INTO targets(label) VALUES(?1) "
                        "ON CONFLICT(label) DO UPDATE SET label = excluded.label RETURNING id"),
          // Most sightings are repeats: they take one update, which leaves
          // first_seen (and so its index) alone. A new number finds no row to
          // update and is inserted. A sighting older than the stored first
          // sighting (a clock set back) is put right by fix_first_seen, which
          // is only run when the target has numbers first seen after the cycle.
          update_number(c,
                        "UPDATE numbers SET classes = classes | ?3, "
                        "last_seen = max(last_seen, ?4), times_seen = times_seen + 1 "
                        "WHERE target_id = ?1 AND number = ?2 RETURNING times_seen"),
          insert_number(c,
                        "INSERT INTO numbers(target_id, number, classes, first_seen, last_seen, "
                        "times_seen) VALUES(?1, ?2, ?3, ?4, ?4, 1)"),
          latest_first_seen(c, "SELECT max(first_seen) FROM numbers WHERE target_id = ?1"),
          fix_first_seen(c,
                         "UPDATE numbers SET first_seen = ?3 "
                         "WHERE target_id = ?1 AND number = ?2 AND first_seen > ?3"),
          insert_hit(c,
                     "INSERT INTO hits(target_id, number, at, classes) VALUES(?1, ?2, ?3, ?4) "
                     "ON CONFLICT(target_id, number) DO NOTHING"),
          insert_cycle(c,
                       "INSERT INTO cycles(target_id, started, outcome, numbers_in_reply, "
                       "distinct_numbers, new_numbers, duration_ms, error) "
                       "VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)"),
          add_distinct(c,
                       "UPDATE targets SET distinct_numbers = distinct_numbers + ?2 WHERE id = ?1"),
          count_reply_size(c,
                           "INSERT INTO reply_sizes(target_id, size, cycles) VALUES(?1, ?2, 1) "
                           "ON CONFLICT(target_id, size) DO UPDATE SET cycles = cycles + 1"),
          distinct_of(c, "SELECT distinct_numbers FROM targets WHERE id = ?1"),
          reply_sizes_of(c, kReplySizesOfTarget),
          frequencies_of(c, kFrequenciesOfTarget),
          cycles_since(c, "SELECT count(*) FROM cycles WHERE target_id = ?1 AND started >= ?2"),
          new_since(c, "SELECT count(*) FROM numbers WHERE target_id = ?1 AND first_seen >= ?2"),
          summary_targets(c,
                          "SELECT t.id, t.label, t.distinct_numbers, "
                          "(SELECT count(*) FROM cycles c WHERE c.target_id = t.id), "
                          "(SELECT count(*) FROM hits h WHERE h.target_id = t.id) "
                          "FROM targets t "
                          "WHERE EXISTS (SELECT 1 FROM cycles c WHERE c.target_id = t.id) "
                          "ORDER BY t.label"),
          classes_of(c,
                     "SELECT classes, count(*) FROM numbers WHERE target_id = ?1 "
                     "GROUP BY classes"),
          export_numbers(c,
                         "SELECT t.label, n.number, n.classes, n.first_seen, n.last_seen, "
                         "n.times_seen FROM targets t JOIN numbers n ON n.target_id = t.id "
                         "WHERE (?1 IS NULL OR t.label = ?1) "
                         "AND (?2 = 0 OR (n.classes & ?2) != 0) "
                         "AND (?3 IS NULL OR n.first_seen >= ?3) "
                         "ORDER BY t.label, n.first_seen, n.number") {}

    Statement find_target;
    Statement insert_target;
    Statement update_number;
    Statement insert_number;
    Statement latest_first_seen;
    Statement fix_first_seen;
    Statement insert_hit;
    Statement insert_cycle;
    Statement add_distinct;
    Statement count_reply_size;
    Statement distinct_of;
    Statement reply_sizes_of;
    Statement frequencies_of;
    Statement cycles_since;
    Statement new_since;
    Statement summary_targets;
    Statement classes_of;
    Statement export_numbers;
};

// What hunters sharing the file need among themselves; a reader's history
// may be of a version without them.
struct LeaseStatements {
    explicit LeaseStatements(Connection& c)
        // A lease is granted when the target has none, when this hunter
        // holds it already, or when the holder's lease has run out.
        : lease(c,
                "INSERT INTO leases AS l(target_id, hunter_id, expires) VALUES(?1, ?2, ?3) "
                "ON CONFLICT(target_id) DO UPDATE SET hunter_id = excluded.hunter_id, "
                "expires = excluded.expires WHERE l.hunter_id = excluded.hunter_id "
                "OR l.expires <= ?4"),
          holder(c, "SELECT hunter_id FROM leases WHERE target_id = ?1"),
          take_over(c,
                    "UPDATE leases SET hunter_id = ?2, expires = ?3 "
                    "WHERE target_id = ?1 AND hunter_id = ?4"),
          release(c, "DELETE FROM leases WHERE hunter_id = ?1"),
          state(c,
                "INSERT INTO target_states(target_id, state, reason, since) VALUES(?1, ?2, ?3, ?4) "
                "ON CONFLICT(target_id) DO UPDATE SET state = excluded.state, "
                "reason = excluded.reason, since = excluded.since") {}

    Statement lease;
    Statement holder;
    Statement take_over;
    Statement release;
    Statement state;
};

namespace {

using Kind = StoreError::Kind;
namespace fs = std::filesystem;

bool writable(const fs::path& path) {
    return access(path.c_str(), W_OK) == 0;
}

// SQLite opens a file it may not write read-only without a word, and WAL
// mode needs to create files beside it: both are refused up front, by name.
void check_access(const std::string& path) {
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    const fs::path folder = fs::absolute(fs::path(path), error).parent_path();
    if (fs::exists(status)) {
        if (!fs::is_regular_file(status)) {
            throw StoreError(Kind::NotAStore, path + ": not a file, so not a hunt history");
        }
        if (!writable(path)) {
            throw StoreError(Kind::ReadOnly, path + ": the history file cannot be written");
        }
    } else if (!fs::is_directory(folder, error)) {
        throw StoreError(Kind::Other, path + ": the folder " + folder.string() + " does not exist");
    }
    if (!writable(folder)) {
        throw StoreError(Kind::ReadOnly, path + ": the folder " + folder.string() +
                                             " cannot be written (the history keeps its "
                                             "write-ahead log beside the file)");
    }
}

bool writable_or_missing(const std::string& path) {
    std::error_code error;
    return !fs::exists(path, error) || writable(path);
}

// A count of a target's rows since a time, by one of the *_since statements.
std::int64_t count_since(Statement& count, std::int64_t target, TimeMs since) {
    const Statement::Run run(count);
    count.bind(1, target).bind(2, since);
    return count.step() ? count.integer(0) : 0;
}

}  // namespace

// How a reader opens the history. A reader of a WAL file shares the index
// file beside it (-shm), which SQLite creates when it is missing, and only
// a connection that may write removes it and the log again when it closes.
// So a reader that may write opens the file for writing and writes nothing
// (query_only); one that may not shares the index of a hunter that has the
// file open; and with no log beside the file no hunter has it open (a hunter
// removes the log when it ends), so the file is read as one that does not
// change, and the reader leaves no file behind that a hunter of another
// user could not write.
Connection::Access reading_access(const std::string& path) {
    std::error_code error;
    const fs::path folder = fs::absolute(fs::path(path), error).parent_path();
    if (writable(path) && writable(folder) && writable_or_missing(path + "-wal") &&
        writable_or_missing(path + "-shm")) {
        return Connection::Access::ReadWrite;
    }
    return fs::exists(path + "-wal", error) ? Connection::Access::ReadOnly
                                            : Connection::Access::Immutable;
}

std::unique_ptr<SqliteStore> SqliteStore::open(const std::string& path,
                                               const SqliteOptions& options) {
    check_access(path);
    auto connection = std::make_unique<Connection>(path, Connection::Create::IfMissing);
    connection->set_busy_wait(options.busy_wait);
    check_history(*connection, schema_migrations());
    // Only now that the file is known to be a hunt history (or new) may
    // anything be written to it.
    if (connection->query_text("PRAGMA journal_mode = WAL") != "wal") {
        throw StoreError(Kind::Other, path + ": the history cannot use a write-ahead log");
    }
    // In WAL mode a commit is safe from a killed process without a sync;
    // NORMAL syncs at checkpoints, so a power cut may take back the last
    // cycles but never damages the file.
    connection->exec("PRAGMA synchronous = NORMAL");
    if (options.max_bytes > 0) {
        const std::int64_t page = connection->query_integer("PRAGMA page_size");
        connection->exec("PRAGMA max_page_count = " + std::to_string(options.max_bytes / page));
    }
    migrate(*connection, schema_migrations());
    return std::unique_ptr<SqliteStore>(new SqliteStore(std::move(connection), true, true));
}

std::unique_ptr<SqliteStore> SqliteStore::open_for_reading(const std::string& path,
                                                           const SqliteOptions& options) {
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (!fs::exists(status)) {
        throw StoreError(Kind::NotAStore, path + ": no such history file");
    }
    if (!fs::is_regular_file(status)) {
        throw StoreError(Kind::NotAStore, path + ": not a file, so not a hunt history");
    }
    const auto access = reading_access(path);
    auto connection = std::make_unique<Connection>(path, Connection::Create::Never, access);
    connection->set_busy_wait(options.busy_wait);
    if (access == Connection::Access::ReadWrite) {
        connection->exec("PRAGMA query_only = ON");
    }
    // One read transaction for the whole reading: every figure comes from
    // the same moment of the history.
    connection->exec("BEGIN");
    const int version = check_history(*connection, schema_migrations());
    if (version < kOldestReadableVersion) {
        throw StoreError(Kind::NotAStore, path + ": the history holds nothing yet");
    }
    return std::unique_ptr<SqliteStore>(
        new SqliteStore(std::move(connection), false, version >= kOutboxVersion));
}

SqliteStore::SqliteStore(std::unique_ptr<Connection> connection, bool hunting, bool has_outbox)
    : m_connection(std::move(connection)),
      m_statements(std::make_unique<Statements>(*m_connection)),
      m_leases(hunting ? std::make_unique<LeaseStatements>(*m_connection) : nullptr),
      m_outbox(has_outbox ? std::make_unique<SqliteOutbox>(*m_connection, this_hunter_id())
                          : nullptr) {}

SqliteStore::~SqliteStore() = default;

SqliteOutbox& SqliteStore::outbox() {
    if (!m_outbox) {
        throw StoreError(Kind::Other, m_connection->path() +
                                          ": the history is older than the outbox and is only "
                                          "read here, so it keeps no messages");
    }
    return *m_outbox;
}

std::optional<std::int64_t> SqliteStore::target_id(std::string_view target) {
    if (const auto known = m_target_ids.find(target); known != m_target_ids.end()) {
        return known->second;
    }
    Statement& find = m_statements->find_target;
    const Statement::Run run(find);
    find.bind(1, target);
    if (!find.step()) {
        return std::nullopt;
    }
    const std::int64_t id = find.integer(0);
    m_target_ids.emplace(std::string(target), id);
    return id;
}

std::int64_t SqliteStore::target_id_for_write(std::string_view target) {
    if (const auto id = target_id(target)) {
        return *id;
    }
    Statement& insert = m_statements->insert_target;
    const Statement::Run run(insert);
    insert.bind(1, target);
    insert.step();
    return insert.integer(0);
}

bool SqliteStore::first_seen_after(std::int64_t target, TimeMs time) {
    Statement& latest = m_statements->latest_first_seen;
    const Statement::Run run(latest);
    latest.bind(1, target);
    return latest.step() && !latest.is_null(0) && latest.integer(0) > time;
}

CycleCommit SqliteStore::record_cycle(const CycleRecord& cycle, std::span<const Sighting> sightings,
                                      ClassMask alert_classes) {
    Statements& s = *m_statements;
    CycleCommit commit;
    Transaction transaction(*m_connection);
    const std::int64_t target = target_id_for_write(cycle.target);
    const bool clock_went_back = first_seen_after(target, cycle.started);
    for (const Sighting& sighting : sightings) {
        std::optional<std::int64_t> times_seen;
        {
            const Statement::Run run(s.update_number);
            s.update_number.bind(1, target).bind(2, sighting.number);
            s.update_number.bind(3, sighting.classes).bind(4, cycle.started);
            if (s.update_number.step()) {
                times_seen = s.update_number.integer(0);
            }
        }
        if (times_seen) {
            commit.repeats.push_back(*times_seen - 1);
            if (clock_went_back) {
                const Statement::Run run(s.fix_first_seen);
                s.fix_first_seen.bind(1, target).bind(2, sighting.number).bind(3, cycle.started);
                s.fix_first_seen.run();
            }
            continue;
        }
        {
            const Statement::Run run(s.insert_number);
            s.insert_number.bind(1, target).bind(2, sighting.number);
            s.insert_number.bind(3, sighting.classes).bind(4, cycle.started).run();
        }
        NewNumber found{sighting.number, sighting.classes, false};
        if ((sighting.classes & alert_classes) != 0) {
            const Statement::Run run(s.insert_hit);
            s.insert_hit.bind(1, target).bind(2, sighting.number);
            s.insert_hit.bind(3, cycle.started).bind(4, sighting.classes);
            s.insert_hit.run();
            found.hit = m_connection->changes() == 1;
            if (found.hit && m_outbox) {
                m_outbox->add_hit(target, sighting.number, sighting.classes, cycle.started);
            }
        }
        commit.new_numbers.push_back(found);
    }
    const auto new_count = static_cast<std::int64_t>(commit.new_numbers.size());
    {
        const Statement::Run run(s.insert_cycle);
        s.insert_cycle.bind(1, target).bind(2, cycle.started).bind(3, outcome_name(cycle.outcome));
        s.insert_cycle.bind(4, cycle.numbers_in_reply);
        s.insert_cycle.bind(5, static_cast<std::int64_t>(sightings.size())).bind(6, new_count);
        s.insert_cycle.bind(7, cycle.duration_ms).bind(8, cycle.error);
        s.insert_cycle.run();
    }
    if (new_count > 0) {
        const Statement::Run run(s.add_distinct);
        s.add_distinct.bind(1, target).bind(2, new_count).run();
    }
    if (cycle.outcome == CycleOutcome::Numbers) {
        const Statement::Run run(s.count_reply_size);
        s.count_reply_size.bind(1, target).bind(2, static_cast<std::int64_t>(sightings.size()));
        s.count_reply_size.run();
    }
    transaction.commit();
    m_target_ids.emplace(cycle.target, target);
    return commit;
}

CaptureHistory SqliteStore::capture_history(std::string_view target) {
    CaptureHistory history = capture_sizes(target);
    const auto id = target_id(target);
    if (!id) {
        return history;
    }
    read_frequencies(m_statements->frequencies_of, *id, history);
    return history;
}

CaptureHistory SqliteStore::capture_sizes(std::string_view target) {
    CaptureHistory history;
    const auto id = target_id(target);
    if (!id) {
        return history;
    }
    Statements& s = *m_statements;
    {
        const Statement::Run run(s.distinct_of);
        if (s.distinct_of.bind(1, *id).step()) {
            history.distinct_numbers = s.distinct_of.integer(0);
        }
    }
    read_reply_sizes(s.reply_sizes_of, *id, history);
    return history;
}

std::int64_t SqliteStore::new_numbers_since(std::string_view target, TimeMs since) {
    const auto id = target_id(target);
    return id ? count_since(m_statements->new_since, *id, since) : 0;
}

std::int64_t SqliteStore::cycles_since(std::string_view target, TimeMs since) {
    const auto id = target_id(target);
    return id ? count_since(m_statements->cycles_since, *id, since) : 0;
}

std::vector<TargetSummary> SqliteStore::summaries() {
    Statements& s = *m_statements;
    std::vector<std::pair<std::int64_t, TargetSummary>> found;
    {
        const Statement::Run run(s.summary_targets);
        while (s.summary_targets.step()) {
            TargetSummary summary;
            summary.target = s.summary_targets.text(1);
            summary.distinct_numbers = s.summary_targets.integer(2);
            summary.cycles = s.summary_targets.integer(3);
            summary.hits = s.summary_targets.integer(4);
            found.emplace_back(s.summary_targets.integer(0), std::move(summary));
        }
    }
    std::vector<TargetSummary> result;
    for (auto& [id, summary] : found) {
        {
            // Grouped by the whole mask, so the walk is over distinct masks,
            // not numbers.
            const Statement::Run run(s.classes_of);
            s.classes_of.bind(1, id);
            while (s.classes_of.step()) {
                const auto mask = static_cast<std::uint64_t>(s.classes_of.integer(0));
                for (int bit = 0; bit < kClassBitCount; ++bit) {
                    if ((mask >> bit & 1U) != 0) {
                        summary.numbers_per_class[static_cast<std::size_t>(bit)] +=
                            s.classes_of.integer(1);
                    }
                }
            }
        }
        summary.capture = capture_history(summary.target);
        result.push_back(std::move(summary));
    }
    return result;
}

void SqliteStore::for_each_number(const NumberFilter& filter,
                                  const std::function<bool(const NumberRow&)>& row) {
    Statement& query = m_statements->export_numbers;
    const Statement::Run run(query);
    if (filter.target) {
        query.bind(1, *filter.target);
    }
    query.bind(2, filter.any_of_classes);
    if (filter.first_seen_since) {
        query.bind(3, *filter.first_seen_since);
    }
    NumberRow number;
    while (query.step()) {
        number.target = query.text(0);
        number.number = query.integer(1);
        number.classes = static_cast<ClassMask>(query.integer(2));
        number.first_seen = query.integer(3);
        number.last_seen = query.integer(4);
        number.times_seen = query.integer(5);
        if (!row(number)) {
            return;
        }
    }
}

bool SqliteStore::lease_target(std::string_view target, std::string_view hunter_id, TimeMs now,
                               TimeMs until) {
    Statement& lease = m_leases->lease;
    Transaction transaction(*m_connection);
    const std::int64_t id = target_id_for_write(target);
    {
        const Statement::Run run(lease);
        lease.bind(1, id).bind(2, hunter_id).bind(3, until).bind(4, now).run();
    }
    bool granted = m_connection->changes() == 1;
    if (!granted) {
        // A holder of this machine that was killed never releases its
        // targets: its lease is taken over at once, not when it runs out.
        std::string holder;
        {
            const Statement::Run run(m_leases->holder);
            if (m_leases->holder.bind(1, id).step()) {
                holder = m_leases->holder.text(0);
            }
        }
        if (!holder.empty() && hunter_gone(holder)) {
            const Statement::Run run(m_leases->take_over);
            m_leases->take_over.bind(1, id).bind(2, hunter_id).bind(3, until).bind(4, holder).run();
            granted = m_connection->changes() == 1;
        }
    }
    transaction.commit();
    m_target_ids.emplace(std::string(target), id);
    return granted;
}

void SqliteStore::release_targets(std::string_view hunter_id) {
    const Statement::Run run(m_leases->release);
    m_leases->release.bind(1, hunter_id).run();
}

void SqliteStore::register_channels(std::span<const OutboxChannel> channels) {
    outbox().register_channels(channels);
}

std::vector<OutboxMessage> SqliteStore::waiting_messages(std::string_view channel_key,
                                                         std::size_t limit) {
    return outbox().waiting_messages(channel_key, limit);
}

void SqliteStore::mark_delivered(std::span<const std::int64_t> ids, TimeMs when) {
    outbox().mark_delivered(ids, when);
}

void SqliteStore::mark_retry(std::span<const std::int64_t> ids, int failures, TimeMs next_attempt,
                             std::string_view error) {
    outbox().mark_retry(ids, failures, next_attempt, error);
}

void SqliteStore::mark_failed(std::span<const std::int64_t> ids, TimeMs when,
                              std::string_view error) {
    outbox().mark_failed(ids, when, error);
}

std::int64_t SqliteStore::retry_failed(std::optional<std::string> channel_key, TimeMs now) {
    return outbox().retry_failed(channel_key, now);
}

std::vector<TimeMs> SqliteStore::others_deliveries(std::string_view channel_key, TimeMs since) {
    return m_outbox ? m_outbox->others_deliveries(channel_key, since) : std::vector<TimeMs>{};
}

std::vector<OutboxFailure> SqliteStore::failed_messages(std::size_t limit) {
    return m_outbox ? m_outbox->failed_messages(limit) : std::vector<OutboxFailure>{};
}

std::vector<OutboxCounts> SqliteStore::outbox_counts() {
    return m_outbox ? m_outbox->outbox_counts() : std::vector<OutboxCounts>{};
}

void SqliteStore::record_target_state(std::string_view target, std::string_view state,
                                      std::string_view reason, TimeMs since) {
    const auto id = target_id(target);
    if (!id || !m_leases) {
        return;
    }
    const Statement::Run run(m_leases->state);
    m_leases->state.bind(1, *id).bind(2, state).bind(3, reason).bind(4, since).run();
}

}  // namespace qorvex::hunt::sqlite
