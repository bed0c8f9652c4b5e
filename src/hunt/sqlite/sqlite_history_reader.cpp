#include "hunt/sqlite/sqlite_history_reader.h"

#include <sqlite3.h>

#include <filesystem>
#include <limits>

#include "hunt/cycle_bucketing.h"
#include "hunt/sqlite/capture_reading.h"
#include "hunt/sqlite/sqlite_connection.h"
#include "hunt/sqlite/sqlite_schema.h"

namespace qorvex::hunt::sqlite {

namespace {

// How many virtual machine steps pass between looks at the clock.
constexpr int kProgressSteps = 10'000;

int past_deadline(void* deadline) {
    return std::chrono::steady_clock::now() >
                   *static_cast<std::chrono::steady_clock::time_point*>(deadline)
               ? 1
               : 0;
}

}  // namespace

struct ReaderStatements {
    explicit ReaderStatements(Connection& c)
        : targets(c,
                  "SELECT t.id, t.label, t.distinct_numbers, count(*), "
                  "sum(c.outcome = 'failed'), sum(c.outcome = 'rate-limited'), "
                  "sum(c.distinct_numbers), max(c.started), "
                  "(SELECT count(*) FROM hits h WHERE h.target_id = t.id), sum(c.started >= ?1) "
                  "FROM targets t JOIN cycles c ON c.target_id = t.id "
                  "GROUP BY t.id ORDER BY t.label"),
          reply_sizes(c, kReplySizesOfTarget),
          frequencies(c, kFrequenciesOfTarget),
          span(c, "SELECT min(started), max(started) FROM cycles WHERE target_id = ?1"),
          cycles(c,
                 "SELECT started, outcome, distinct_numbers, new_numbers FROM cycles "
                 "WHERE target_id = ?1 ORDER BY started, id"),
          hits(c,
               "SELECT h.target_id, t.label, h.number, h.classes, h.at, "
               "coalesce(n.first_seen, h.at) FROM hits h JOIN targets t ON t.id = h.target_id "
               "LEFT JOIN numbers n ON n.target_id = h.target_id AND n.number = h.number "
               "WHERE ?1 IS NULL OR (h.at, h.target_id, h.number) < (?1, ?2, ?3) "
               "ORDER BY h.at DESC, h.target_id DESC, h.number DESC LIMIT ?4"),
          numbers(c,
                  "SELECT target_id, number, classes, first_seen, last_seen, times_seen "
                  "FROM numbers WHERE (target_id, number) > (?1, ?2) "
                  "AND target_id <= ?3 AND (?4 = 0 OR (classes & ?4) != 0) "
                  "AND (?5 IS NULL OR first_seen >= ?5) AND (?6 IS NULL OR first_seen < ?6) "
                  "AND (?7 = '' OR instr(number, ?7) > 0) "
                  "ORDER BY target_id, number") {}

    Statement targets;
    Statement reply_sizes;
    Statement frequencies;
    Statement span;
    Statement cycles;
    Statement hits;
    Statement numbers;
};

// One read: a snapshot of the history (a read transaction, which in WAL
// mode never waits for a writer) that is interrupted past the read limit.
class SqliteHistoryReader::Read {
public:
    explicit Read(SqliteHistoryReader& reader) : m_reader(reader) {
        reader.m_deadline = std::chrono::steady_clock::now() + reader.m_options.read_limit;
        reader.m_connection->exec("BEGIN");
    }
    ~Read() {
        if (m_reader.m_connection->in_transaction()) {
            sqlite3_exec(m_reader.m_connection->handle(), "COMMIT", nullptr, nullptr, nullptr);
        }
    }
    Read(const Read&) = delete;
    Read& operator=(const Read&) = delete;

private:
    SqliteHistoryReader& m_reader;
};

std::unique_ptr<SqliteHistoryReader> SqliteHistoryReader::open(const std::string& path,
                                                               const ReaderOptions& options) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        throw StoreError(StoreError::Kind::NotAStore, path + ": no such history file");
    }
    // A history that a hunt may be writing never counts as unchanging.
    auto access = reading_access(path);
    if (access == Connection::Access::Immutable) {
        access = Connection::Access::ReadOnly;
    }
    auto connection = std::make_unique<Connection>(path, Connection::Create::Never, access);
    connection->set_busy_wait(options.busy_wait);
    if (access == Connection::Access::ReadWrite) {
        connection->exec("PRAGMA query_only = ON");
    }
    if (check_history(*connection, schema_migrations()) < kOldestReadableVersion) {
        throw StoreError(StoreError::Kind::NotAStore, path + ": the history holds nothing yet");
    }
    return std::unique_ptr<SqliteHistoryReader>(
        new SqliteHistoryReader(std::move(connection), options));
}

SqliteHistoryReader::SqliteHistoryReader(std::unique_ptr<Connection> connection,
                                         const ReaderOptions& options)
    : m_connection(std::move(connection)),
      m_statements(std::make_unique<ReaderStatements>(*m_connection)),
      m_options(options) {
    sqlite3_progress_handler(m_connection->handle(), kProgressSteps, past_deadline, &m_deadline);
}

SqliteHistoryReader::~SqliteHistoryReader() = default;

std::vector<TargetTotals> SqliteHistoryReader::targets(TimeMs recent_since) {
    const Read read(*this);
    std::vector<TargetTotals> targets;
    {
        Statement& query = m_statements->targets;
        const Statement::Run run(query);
        query.bind(1, recent_since);
        while (query.step()) {
            TargetTotals totals;
            totals.id = query.integer(0);
            totals.label = query.text(1);
            totals.capture.distinct_numbers = query.integer(2);
            totals.cycles = query.integer(3);
            totals.failures = query.integer(4);
            totals.backoffs = query.integer(5);
            totals.sightings = query.integer(6);
            totals.last_cycle = query.integer(7);
            totals.hits = query.integer(8);
            totals.recent_cycles = query.integer(9);
            targets.push_back(std::move(totals));
        }
    }
    for (auto& totals : targets) {
        auto& cached = m_captures[totals.id];
        if (cached.first != totals.cycles || cached.second.distinct_numbers == 0) {
            CaptureHistory capture;
            capture.distinct_numbers = totals.capture.distinct_numbers;
            read_reply_sizes(m_statements->reply_sizes, totals.id, capture);
            read_frequencies(m_statements->frequencies, totals.id, capture);
            cached = {totals.cycles, std::move(capture)};
        }
        totals.capture = cached.second;
    }
    read_states(targets);
    return targets;
}

void SqliteHistoryReader::read_states(std::vector<TargetTotals>& targets) {
    if (!m_states) {
        if (m_connection->query_integer(
                "SELECT count(*) FROM sqlite_schema WHERE name = 'target_states'") == 0) {
            return;
        }
        m_states = std::make_unique<Statement>(
            *m_connection, "SELECT target_id, state, reason, since FROM target_states");
    }
    const Statement::Run run(*m_states);
    while (m_states->step()) {
        const auto id = m_states->integer(0);
        for (auto& totals : targets) {
            if (totals.id == id) {
                totals.state =
                    RecordedState{m_states->text(1), m_states->text(2), m_states->integer(3)};
            }
        }
    }
}

CycleSpan SqliteHistoryReader::cycle_span(std::int64_t target_id) {
    const Read read(*this);
    Statement& query = m_statements->span;
    const Statement::Run run(query);
    query.bind(1, target_id);
    CycleSpan span;
    if (query.step() && !query.is_null(0)) {
        span.first = query.integer(0);
        span.last = query.integer(1);
    }
    return span;
}

std::vector<CycleBucket> SqliteHistoryReader::cycle_buckets(std::int64_t target_id, TimeMs since,
                                                            TimeMs step_ms) {
    const Read read(*this);
    Statement& query = m_statements->cycles;
    const Statement::Run run(query);
    query.bind(1, target_id);
    CycleBucketing buckets(since, step_ms);
    while (query.step()) {
        buckets.add(query.integer(0),
                    outcome_from_name(query.text(1)).value_or(CycleOutcome::Failed),
                    int(query.integer(2)), query.integer(3));
    }
    return buckets.take();
}

std::vector<HitEntry> SqliteHistoryReader::hits(std::size_t limit,
                                                const std::optional<HitCursor>& before) {
    const Read read(*this);
    Statement& query = m_statements->hits;
    const Statement::Run run(query);
    if (before) {
        query.bind(1, before->at).bind(2, before->target_id).bind(3, before->number);
    } else {
        query.bind_null(1).bind_null(2).bind_null(3);
    }
    query.bind(4, std::int64_t(limit));
    std::vector<HitEntry> hits;
    while (query.step()) {
        hits.push_back({.target_id = query.integer(0),
                        .target = query.text(1),
                        .number = query.integer(2),
                        .classes = ClassMask(query.integer(3)),
                        .at = query.integer(4),
                        .first_seen = query.integer(5)});
    }
    return hits;
}

void SqliteHistoryReader::scan_numbers(const NumberQuery& query,
                                       const std::function<bool(const StoredNumber&)>& row) {
    const Read read(*this);
    Statement& numbers = m_statements->numbers;
    const Statement::Run run(numbers);
    NumberCursor from = query.after.value_or(NumberCursor{query.target_id.value_or(0), -1});
    if (query.target_id && from.target_id < *query.target_id) {
        from = {*query.target_id, -1};
    }
    numbers.bind(1, from.target_id).bind(2, from.number);
    numbers.bind(3, query.target_id.value_or(std::numeric_limits<std::int64_t>::max()));
    numbers.bind(4, std::int64_t(query.any_of_classes));
    if (query.first_seen_since) {
        numbers.bind(5, *query.first_seen_since);
    } else {
        numbers.bind_null(5);
    }
    if (query.first_seen_until) {
        numbers.bind(6, *query.first_seen_until);
    } else {
        numbers.bind_null(6);
    }
    numbers.bind(7, std::string_view(query.digits));
    while (numbers.step()) {
        const StoredNumber stored{.target_id = numbers.integer(0),
                                  .number = numbers.integer(1),
                                  .classes = ClassMask(numbers.integer(2)),
                                  .first_seen = numbers.integer(3),
                                  .last_seen = numbers.integer(4),
                                  .times_seen = numbers.integer(5)};
        if (!row(stored)) {
            return;
        }
    }
}

}  // namespace qorvex::hunt::sqlite
