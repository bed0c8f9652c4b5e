#pragma once

// The web server's view of an SQLite history: a connection of its own that
// cannot write (query_only, or a read-only open), each read one snapshot in
// a read transaction that never blocks a hunter (WAL), waiting at most
// `busy_wait` for a lock and interrupted past `read_limit`.

#include <chrono>
#include <map>
#include <memory>
#include <string>

#include "hunt/history_reader.h"

namespace qorvex::hunt::sqlite {

class Connection;
class Statement;
struct ReaderStatements;

struct ReaderOptions {
    std::chrono::milliseconds busy_wait{2000};
    std::chrono::milliseconds read_limit{5000};
};

class SqliteHistoryReader final : public HistoryReader {
public:
    // Throws StoreError when the file is not a readable hunt history.
    static std::unique_ptr<SqliteHistoryReader> open(const std::string& path,
                                                     const ReaderOptions& options = {});
    ~SqliteHistoryReader() override;

    std::vector<TargetTotals> targets(TimeMs recent_since) override;
    CycleSpan cycle_span(std::int64_t target_id) override;
    std::vector<CycleBucket> cycle_buckets(std::int64_t target_id, TimeMs since,
                                           TimeMs step_ms) override;
    std::vector<HitEntry> hits(std::size_t limit, const std::optional<HitCursor>& before) override;
    void scan_numbers(const NumberQuery& query,
                      const std::function<bool(const StoredNumber&)>& row) override;

private:
    SqliteHistoryReader(std::unique_ptr<Connection> connection, const ReaderOptions& options);
    class Read;
    void read_states(std::vector<TargetTotals>& targets);

    std::unique_ptr<Connection> m_connection;
    std::unique_ptr<ReaderStatements> m_statements;
    // Prepared once the history has the table (a hunt of this version
    // migrates an older history while it is being served).
    std::unique_ptr<Statement> m_states;
    ReaderOptions m_options;
    std::chrono::steady_clock::time_point m_deadline;
    // The capture frequencies take a read of every number of a target: kept
    // while the target's cycle count stays the same.
    std::map<std::int64_t, std::pair<std::int64_t, CaptureHistory>> m_captures;
};

}  // namespace qorvex::hunt::sqlite
