#include "hunt/postgres/postgres_history_reader.h"

#include <limits>
#include <pqxx/pqxx>

#include "hunt/cycle_bucketing.h"
#include "hunt/postgres/pg_errors.h"
#include "hunt/postgres/server_connection.h"

namespace qorvex::hunt::postgres {

namespace {

// Numbers read per statement while a scan goes on.
constexpr int kNumberChunk = 2000;

std::optional<std::int64_t> or_none(const pqxx::field& field) {
    return field.is_null() ? std::nullopt : std::optional<std::int64_t>(field.as<std::int64_t>());
}

}  // namespace

struct ReaderConnection {
    explicit ReaderConnection(const std::string& uri) : connection(uri) {}
    pqxx::connection connection;
};

template <typename Read>
auto PostgresHistoryReader::reading(const std::string& doing, Read&& read) {
    try {
        pqxx::read_transaction work(m_connection->connection);
        return read(work);
    } catch (const StoreError&) {
        throw;
    } catch (const std::exception& error) {
        throw store_error(error, m_uri, doing);
    }
}

std::unique_ptr<PostgresHistoryReader> PostgresHistoryReader::open(const std::string& uri,
                                                                   const PostgresOptions& options) {
    std::unique_ptr<ReaderConnection> connection;
    try {
        connection = std::make_unique<ReaderConnection>(with_limits(uri, options));
        pqxx::nontransaction work(connection->connection);
        work.exec("SET default_transaction_read_only = on");
        if (work.exec("SELECT to_regclass('qorvex_schema') IS NOT NULL")[0][0].as<bool>() ==
            false) {
            throw StoreError(StoreError::Kind::NotAStore,
                             without_password(uri) + ": the database holds no hunt history");
        }
    } catch (const StoreError&) {
        throw;
    } catch (const std::exception& error) {
        throw store_error(error, uri, "connecting to read the history");
    }
    return std::unique_ptr<PostgresHistoryReader>(
        new PostgresHistoryReader(uri, std::move(connection)));
}

PostgresHistoryReader::PostgresHistoryReader(std::string uri,
                                             std::unique_ptr<ReaderConnection> connection)
    : m_uri(std::move(uri)), m_connection(std::move(connection)) {}

PostgresHistoryReader::~PostgresHistoryReader() = default;

std::vector<TargetTotals> PostgresHistoryReader::targets(TimeMs recent_since) {
    return reading("reading the targets", [&](pqxx::read_transaction& work) {
        std::vector<TargetTotals> targets;
        for (const auto& row :
             work.exec_params("SELECT t.id, t.label, t.distinct_numbers, count(*), "
                              "count(*) FILTER (WHERE c.outcome = 'failed'), "
                              "count(*) FILTER (WHERE c.outcome = 'rate-limited'), "
                              "coalesce(sum(c.distinct_numbers), 0), max(c.started), "
                              "(SELECT count(*) FROM hits h WHERE h.target_id = t.id), "
                              "count(*) FILTER (WHERE c.started >= $1) "
                              "FROM targets t JOIN cycles c ON c.target_id = t.id "
                              "GROUP BY t.id ORDER BY t.label",
                              recent_since)) {
            TargetTotals totals;
            totals.id = row[0].as<std::int64_t>();
            totals.label = row[1].as<std::string>();
            totals.capture.distinct_numbers = row[2].as<std::int64_t>();
            totals.cycles = row[3].as<std::int64_t>();
            totals.failures = row[4].as<std::int64_t>();
            totals.backoffs = row[5].as<std::int64_t>();
            totals.sightings = row[6].as<std::int64_t>();
            totals.last_cycle = or_none(row[7]);
            totals.hits = row[8].as<std::int64_t>();
            totals.recent_cycles = row[9].as<std::int64_t>();
            targets.push_back(std::move(totals));
        }
        for (auto& totals : targets) {
            auto& cached = m_captures[totals.id];
            if (cached.first != totals.cycles || cached.second.distinct_numbers == 0) {
                CaptureHistory capture;
                capture.distinct_numbers = totals.capture.distinct_numbers;
                for (const auto& row : work.exec_params(
                         "SELECT size, cycles FROM reply_sizes WHERE target_id = $1 ORDER BY size",
                         totals.id)) {
                    capture.reply_sizes.emplace_back(row[0].as<int>(), row[1].as<std::int64_t>());
                }
                for (const auto& row : work.exec_params(
                         "SELECT times_seen, count(*) FROM numbers WHERE target_id = $1 "
                         "GROUP BY times_seen ORDER BY times_seen",
                         totals.id)) {
                    capture.frequencies.emplace_back(row[0].as<std::int64_t>(),
                                                     row[1].as<std::int64_t>());
                }
                cached = {totals.cycles, std::move(capture)};
            }
            totals.capture = cached.second;
        }
        if (work.exec("SELECT to_regclass('target_states') IS NOT NULL")[0][0].as<bool>()) {
            for (const auto& row :
                 work.exec("SELECT target_id, state, reason, since FROM target_states")) {
                for (auto& totals : targets) {
                    if (totals.id == row[0].as<std::int64_t>()) {
                        totals.state =
                            RecordedState{row[1].as<std::string>(), row[2].as<std::string>(),
                                          row[3].as<std::int64_t>()};
                    }
                }
            }
        }
        return targets;
    });
}

CycleSpan PostgresHistoryReader::cycle_span(std::int64_t target_id) {
    return reading("reading a target's cycles", [&](pqxx::read_transaction& work) {
        const auto row = work.exec_params1(
            "SELECT min(started), max(started) FROM cycles WHERE target_id = $1", target_id);
        return CycleSpan{or_none(row[0]), or_none(row[1])};
    });
}

std::vector<CycleBucket> PostgresHistoryReader::cycle_buckets(std::int64_t target_id, TimeMs since,
                                                              TimeMs step_ms) {
    return reading("reading a target's cycles", [&](pqxx::read_transaction& work) {
        CycleBucketing buckets(since, step_ms);
        for (const auto& row :
             work.exec_params("SELECT started, outcome, distinct_numbers, new_numbers FROM cycles "
                              "WHERE target_id = $1 ORDER BY started, id",
                              target_id)) {
            buckets.add(row[0].as<std::int64_t>(),
                        outcome_from_name(row[1].as<std::string>()).value_or(CycleOutcome::Failed),
                        row[2].as<int>(), row[3].as<std::int64_t>());
        }
        return buckets.take();
    });
}

std::vector<HitEntry> PostgresHistoryReader::hits(std::size_t limit,
                                                  const std::optional<HitCursor>& before) {
    return reading("reading the hits", [&](pqxx::read_transaction& work) {
        std::vector<HitEntry> hits;
        const auto at = before ? std::optional<std::int64_t>(before->at) : std::nullopt;
        const auto id = before ? std::optional<std::int64_t>(before->target_id) : std::nullopt;
        const auto number = before ? std::optional<std::int64_t>(before->number) : std::nullopt;
        for (const auto& row : work.exec_params(
                 "SELECT h.target_id, t.label, h.number, h.classes, h.at, "
                 "coalesce(n.first_seen, h.at) FROM hits h JOIN targets t ON t.id = h.target_id "
                 "LEFT JOIN numbers n ON n.target_id = h.target_id AND n.number = h.number "
                 "WHERE $1::bigint IS NULL OR (h.at, h.target_id, h.number) < ($1, $2, $3) "
                 "ORDER BY h.at DESC, h.target_id DESC, h.number DESC LIMIT $4",
                 at, id, number, std::int64_t(limit))) {
            hits.push_back({row[0].as<std::int64_t>(), row[1].as<std::string>(),
                            row[2].as<std::int64_t>(), ClassMask(row[3].as<int>()),
                            row[4].as<std::int64_t>(), row[5].as<std::int64_t>()});
        }
        return hits;
    });
}

void PostgresHistoryReader::scan_numbers(const NumberQuery& query,
                                         const std::function<bool(const StoredNumber&)>& row) {
    NumberCursor from = query.after.value_or(NumberCursor{query.target_id.value_or(0), -1});
    if (query.target_id && from.target_id < *query.target_id) {
        from = {*query.target_id, -1};
    }
    const std::int64_t last_target =
        query.target_id.value_or(std::numeric_limits<std::int64_t>::max());
    for (;;) {
        // One snapshot per chunk: a long scan holds no transaction open.
        const auto chunk = reading("reading the numbers", [&](pqxx::read_transaction& work) {
            std::vector<StoredNumber> rows;
            for (const auto& found : work.exec_params(
                     "SELECT target_id, number, classes, first_seen, last_seen, times_seen "
                     "FROM numbers WHERE (target_id, number) > ($1, $2) AND target_id <= $3 "
                     "AND ($4 = 0 OR (classes & $4) != 0) "
                     "AND ($5::bigint IS NULL OR first_seen >= $5) "
                     "AND ($6::bigint IS NULL OR first_seen < $6) "
                     "AND ($7 = '' OR strpos(number::text, $7) > 0) "
                     "ORDER BY target_id, number LIMIT $8",
                     from.target_id, from.number, last_target, int(query.any_of_classes),
                     query.first_seen_since, query.first_seen_until, query.digits, kNumberChunk)) {
                rows.push_back({found[0].as<std::int64_t>(), found[1].as<std::int64_t>(),
                                ClassMask(found[2].as<int>()), found[3].as<std::int64_t>(),
                                found[4].as<std::int64_t>(), found[5].as<std::int64_t>()});
            }
            return rows;
        });
        for (const auto& stored : chunk) {
            if (!row(stored)) {
                return;
            }
        }
        if (chunk.size() < std::size_t(kNumberChunk)) {
            return;
        }
        from = {chunk.back().target_id, chunk.back().number};
    }
}

}  // namespace qorvex::hunt::postgres
