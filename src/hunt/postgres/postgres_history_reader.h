#pragma once

// The web server's view of a shared PostgreSQL history: a connection of its
// own whose transactions are read-only (the server refuses any write), each
// read one snapshot, and every statement bounded by statement_timeout.

#include <map>
#include <memory>
#include <string>

#include "hunt/history_reader.h"
#include "hunt/postgres/postgres_store.h"

namespace qorvex::hunt::postgres {

struct ReaderConnection;

class PostgresHistoryReader final : public HistoryReader {
public:
    // Throws StoreError when the server cannot be reached or holds no history.
    static std::unique_ptr<PostgresHistoryReader> open(const std::string& uri,
                                                       const PostgresOptions& options = {});
    ~PostgresHistoryReader() override;

    std::vector<TargetTotals> targets(TimeMs recent_since) override;
    CycleSpan cycle_span(std::int64_t target_id) override;
    std::vector<CycleBucket> cycle_buckets(std::int64_t target_id, TimeMs since,
                                           TimeMs step_ms) override;
    std::vector<HitEntry> hits(std::size_t limit, const std::optional<HitCursor>& before) override;
    void scan_numbers(const NumberQuery& query,
                      const std::function<bool(const StoredNumber&)>& row) override;

private:
    PostgresHistoryReader(std::string uri, std::unique_ptr<ReaderConnection> connection);
    // Runs `read` in a read-only transaction; pqxx failures leave as StoreError.
    template <typename Read>
    auto reading(const std::string& doing, Read&& read);

    std::string m_uri;
    std::unique_ptr<ReaderConnection> m_connection;
    // The capture frequencies read every number of a target: kept while the
    // target's cycle count stays the same.
    std::map<std::int64_t, std::pair<std::int64_t, CaptureHistory>> m_captures;
};

}  // namespace qorvex::hunt::postgres
