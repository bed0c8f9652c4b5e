#include "hunt/postgres/postgres_store.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <pqxx/pqxx>

#include "hunt/postgres/local_queue.h"
#include "hunt/postgres/pg_errors.h"
#include "hunt/postgres/pg_schema.h"

namespace qorvex::hunt::postgres {

struct ServerConnection {
    explicit ServerConnection(const std::string& uri) : connection(uri) {}
    pqxx::connection connection;
};

namespace {

using Kind = StoreError::Kind;
using Clock = std::chrono::steady_clock;

// Every statement the store runs, prepared on each connection. Labels are
// ordered byte by byte (COLLATE "C"), as the SQLite history orders them.
const std::vector<std::pair<std::string, std::string>> kStatements{
    {"target",
     "INSERT INTO targets(label) VALUES($1) ON CONFLICT(label) DO UPDATE SET label = "
     "excluded.label RETURNING id"},
    {"find_target", "SELECT id FROM targets WHERE label = $1"},
    // A whole cycle in one statement, so one round trip and one commit. The
    // sightings come as two arrays in number order, so that two hunters
    // upserting the same numbers lock their rows in the same order; xmax is
    // 0 on a row this statement inserted, and only such a row can become a
    // hit. A cycle whose key the server holds already fails on the key's
    // unique index, and nothing of it is stored twice.
    {"store_cycle",
     "WITH up AS ("
     " INSERT INTO numbers AS n(target_id, number, classes, first_seen, last_seen, times_seen)"
     " SELECT $1, s.number, s.classes, $2, $2, 1"
     " FROM unnest($3::bigint[], $4::integer[]) AS s(number, classes) ORDER BY s.number"
     " ON CONFLICT(target_id, number) DO UPDATE SET classes = n.classes | excluded.classes,"
     " first_seen = least(n.first_seen, excluded.first_seen),"
     " last_seen = greatest(n.last_seen, excluded.last_seen), times_seen = n.times_seen + 1"
     " RETURNING n.number, (n.xmax = 0) AS inserted, n.times_seen),"
     "hit AS ("
     " INSERT INTO hits(target_id, number, at, classes)"
     " SELECT $1, s.number, $2, s.classes"
     " FROM unnest($3::bigint[], $4::integer[]) AS s(number, classes)"
     " JOIN up ON up.number = s.number WHERE up.inserted AND (s.classes & $5) <> 0"
     " ON CONFLICT(target_id, number) DO NOTHING RETURNING number),"
     "fresh AS (SELECT count(*) AS count FROM up WHERE inserted),"
     "cycle AS ("
     " INSERT INTO cycles(cycle_key, hunter_id, target_id, started, outcome, numbers_in_reply,"
     " distinct_numbers, new_numbers, duration_ms, error)"
     " SELECT $6, $7, $1, $2, $8, $9, $10, fresh.count, $11, $12 FROM fresh),"
     "counted AS (UPDATE targets SET distinct_numbers = distinct_numbers + fresh.count"
     " FROM fresh WHERE id = $1),"
     "sized AS (INSERT INTO reply_sizes AS r(target_id, size, cycles) SELECT $1, $10, 1 WHERE $13"
     " ON CONFLICT(target_id, size) DO UPDATE SET cycles = r.cycles + 1) "
     "SELECT up.number, up.inserted, hit.number IS NOT NULL, up.times_seen FROM up "
     "LEFT JOIN hit ON hit.number = up.number"},
    // The lease's expiry is on the server's clock, the one clock all
    // hunters share.
    {"lease",
     "WITH now AS (SELECT (extract(epoch FROM clock_timestamp()) * 1000)::bigint AS ms) "
     "INSERT INTO leases AS l(target_id, hunter_id, expires) "
     "SELECT $1, $2, now.ms + $3 FROM now "
     "ON CONFLICT(target_id) DO UPDATE SET hunter_id = excluded.hunter_id, "
     "expires = excluded.expires "
     "WHERE l.hunter_id = excluded.hunter_id OR l.expires <= (SELECT ms FROM now) "
     "RETURNING hunter_id"},
    {"release", "DELETE FROM leases WHERE hunter_id = $1"},
    {"distinct_of", "SELECT distinct_numbers FROM targets WHERE id = $1"},
    {"reply_sizes_of", "SELECT size, cycles FROM reply_sizes WHERE target_id = $1 ORDER BY size"},
    {"frequencies_of",
     "SELECT times_seen, count(*) FROM numbers WHERE target_id = $1 "
     "GROUP BY times_seen ORDER BY times_seen"},
    {"cycles_since", "SELECT count(*) FROM cycles WHERE target_id = $1 AND started >= $2"},
    {"new_since", "SELECT count(*) FROM numbers WHERE target_id = $1 AND first_seen >= $2"},
    {"summary_targets",
     "SELECT t.id, t.label, t.distinct_numbers, "
     "(SELECT count(*) FROM cycles c WHERE c.target_id = t.id), "
     "(SELECT count(*) FROM hits h WHERE h.target_id = t.id) FROM targets t "
     "WHERE EXISTS (SELECT 1 FROM cycles c WHERE c.target_id = t.id) "
     "ORDER BY t.label COLLATE \"C\""},
    {"classes_of", "SELECT classes, count(*) FROM numbers WHERE target_id = $1 GROUP BY classes"},
    // The export reads in pages, each starting after the last row of the one
    // before, so that a million rows never sit in memory at once.
    {"export_page",
     "SELECT t.label, n.number, n.classes, n.first_seen, n.last_seen, n.times_seen "
     "FROM numbers n JOIN targets t ON t.id = n.target_id "
     "WHERE ($1 = '' OR t.label = $1) AND ($2 = 0 OR (n.classes & $2) <> 0) "
     "AND n.first_seen >= $3 "
     "AND ($4 OR (t.label COLLATE \"C\", n.first_seen, n.number) > ($5 COLLATE \"C\", $6, $7)) "
     "ORDER BY t.label COLLATE \"C\", n.first_seen, n.number LIMIT 5000"},
};

constexpr std::size_t kExportPage = 5000;

// A value for a bigint[] or integer[] parameter: the array's text form,
// bound like any other value.
template <typename Values, typename Pick>
std::string array_text(const Values& values, Pick pick) {
    std::string text = "{";
    for (const auto& value : values) {
        if (text.size() > 1) {
            text += ',';
        }
        text += std::to_string(pick(value));
    }
    return text + '}';
}

std::string with_connect_timeout(const std::string& uri, std::chrono::seconds timeout) {
    if (uri.find("connect_timeout") != std::string::npos) {
        return uri;
    }
    const char separator = uri.find('?') == std::string::npos ? '?' : '&';
    return uri + separator + "connect_timeout=" + std::to_string(timeout.count());
}

std::vector<std::pair<int, std::int64_t>> reply_sizes(pqxx::transaction_base& work,
                                                      std::int64_t target_id) {
    std::vector<std::pair<int, std::int64_t>> sizes;
    for (const auto& row : work.exec_prepared("reply_sizes_of", target_id)) {
        sizes.emplace_back(row[0].as<int>(), row[1].as<std::int64_t>());
    }
    return sizes;
}

std::vector<std::pair<std::int64_t, std::int64_t>> frequencies(pqxx::transaction_base& work,
                                                               std::int64_t target_id) {
    std::vector<std::pair<std::int64_t, std::int64_t>> counts;
    for (const auto& row : work.exec_prepared("frequencies_of", target_id)) {
        counts.emplace_back(row[0].as<std::int64_t>(), row[1].as<std::int64_t>());
    }
    return counts;
}

std::string seconds_text(std::chrono::milliseconds span) {
    return std::to_string((span.count() + 999) / 1000) + " s";
}

}  // namespace

std::unique_ptr<PostgresStore> PostgresStore::open(const std::string& uri,
                                                   const PostgresOptions& options) {
    std::unique_ptr<PostgresStore> store(new PostgresStore(uri, options));
    store->connect();
    try {
        ensure_schema(store->m_connection->connection, store->m_where);
    } catch (const StoreError&) {
        throw;
    } catch (const std::exception& error) {
        store->fail(error, "preparing the schema");
    }
    store->flush_queue();
    return store;
}

PostgresStore::PostgresStore(std::string uri, PostgresOptions options)
    : m_uri(std::move(uri)),
      m_where(without_password(m_uri)),
      m_options(std::move(options)),
      m_random(std::random_device{}()) {
    if (m_options.queue_path.empty()) {
        m_options.queue_path = default_queue_path();
    }
}

PostgresStore::~PostgresStore() = default;

void PostgresStore::fail(const std::exception& error, const std::string& doing) {
    throw store_error(error, m_where, doing);
}

void PostgresStore::connect() {
    try {
        m_connection = std::make_unique<ServerConnection>(
            with_connect_timeout(m_uri, m_options.connect_timeout));
        for (const auto& [name, sql] : kStatements) {
            m_connection->connection.prepare(name, sql);
        }
        m_target_ids.clear();
    } catch (const std::exception& error) {
        m_connection.reset();
        fail(error, "connecting");
    }
}

LocalQueue& PostgresStore::queue() {
    if (!m_queue) {
        m_queue = std::make_unique<LocalQueue>(m_options.queue_path, m_options.queue_limit);
    }
    return *m_queue;
}

std::int64_t PostgresStore::queued_cycles() {
    return queue().size();
}

void PostgresStore::lost(const std::exception& error) {
    m_connection.reset();
    const auto now = Clock::now();
    if (!m_lost_at) {
        m_lost_at = now;
        m_retry = m_options.first_retry;
    } else {
        m_retry = std::min(m_retry * 2, m_options.longest_retry);
    }
    m_lost_reason = error.what();
    // A little jitter keeps hunters that lost the server together from
    // coming back in step.
    const auto jitter = std::chrono::milliseconds(static_cast<std::int64_t>(
        m_random() % static_cast<std::uint64_t>(m_retry.count() / 4 + 1)));
    m_next_try = now + m_retry + jitter;
}

bool PostgresStore::reachable() {
    if (m_connection) {
        return true;
    }
    if (Clock::now() < m_next_try) {
        return false;
    }
    try {
        connect();
    } catch (const StoreError& error) {
        lost(error);
        return false;
    }
    try {
        flush_queue();
    } catch (const StoreError&) {
        throw;
    } catch (const std::exception& error) {
        if (!server_away(error)) {
            fail(error, "sending the queued cycles");
        }
        lost(error);
        return false;
    }
    return m_connection != nullptr;
}

void PostgresStore::flush_queue() {
    if (!m_queue && !std::filesystem::exists(m_options.queue_path)) {
        m_lost_at.reset();
        return;
    }
    while (auto cycle = queue().oldest()) {
        auto commit = store_cycle(cycle->key, cycle->hunter, cycle->record, cycle->sightings,
                                  cycle->alert_classes);
        if (commit && !commit->new_numbers.empty()) {
            m_late.push_back({cycle->record.target, std::move(*commit)});
        }
        queue().remove(cycle->position);
    }
    m_lost_at.reset();
}

std::string PostgresStore::new_cycle_key() {
    // 128 random bits and a counter: unique across hunters and restarts.
    char text[48];
    std::snprintf(text, sizeof text, "%016llx%016llx-%llu",
                  static_cast<unsigned long long>(m_random()),
                  static_cast<unsigned long long>(m_random()),
                  static_cast<unsigned long long>(++m_cycle_counter));
    return text;
}

std::int64_t PostgresStore::target_id(const std::string& label) {
    if (const auto known = m_target_ids.find(label); known != m_target_ids.end()) {
        return known->second;
    }
    pqxx::nontransaction work(m_connection->connection);
    const std::int64_t id = work.exec_prepared1("target", label)[0].as<std::int64_t>();
    m_target_ids.emplace(label, id);
    return id;
}

std::optional<CycleCommit> PostgresStore::store_cycle(const std::string& key,
                                                      const std::string& hunter,
                                                      const CycleRecord& cycle,
                                                      std::span<const Sighting> sightings,
                                                      ClassMask alert_classes) {
    const std::int64_t target = target_id(cycle.target);
    std::vector<Sighting> sorted(sightings.begin(), sightings.end());
    std::sort(sorted.begin(), sorted.end(),
              [](const Sighting& a, const Sighting& b) { return a.number < b.number; });
    struct Outcome {
        bool inserted = false;
        bool hit = false;
        std::int64_t times_seen = 0;  // after this cycle
    };
    std::map<PhoneNumber, Outcome> outcomes;
    try {
        pqxx::nontransaction work(m_connection->connection);
        const pqxx::result rows = work.exec_prepared(
            "store_cycle", target, cycle.started,
            array_text(sorted, [](const Sighting& s) { return s.number; }),
            array_text(sorted, [](const Sighting& s) { return s.classes; }),
            static_cast<int>(alert_classes), key, hunter, std::string(outcome_name(cycle.outcome)),
            cycle.numbers_in_reply, static_cast<std::int64_t>(sightings.size()), cycle.duration_ms,
            cycle.error, cycle.outcome == CycleOutcome::Numbers);
        for (const auto& row : rows) {
            outcomes[row[0].as<PhoneNumber>()] = {row[1].as<bool>(), row[2].as<bool>(),
                                                  row[3].as<std::int64_t>()};
        }
    } catch (const pqxx::unique_violation& error) {
        if (std::string_view(error.what()).find("cycle_key") == std::string_view::npos) {
            throw;
        }
        return std::nullopt;
    }
    CycleCommit commit;
    for (const Sighting& sighting : sightings) {
        const Outcome& outcome = outcomes[sighting.number];
        if (outcome.inserted) {
            commit.new_numbers.push_back({sighting.number, sighting.classes, outcome.hit});
        } else {
            commit.repeats.push_back(outcome.times_seen - 1);
        }
    }
    return commit;
}

CycleCommit PostgresStore::record_cycle(const CycleRecord& cycle,
                                        std::span<const Sighting> sightings,
                                        ClassMask alert_classes) {
    const std::string key = new_cycle_key();
    if (reachable() && (!m_queue || m_queue->size() == 0)) {
        try {
            return store_cycle(key, m_hunter, cycle, sightings, alert_classes)
                .value_or(CycleCommit{});
        } catch (const std::exception& error) {
            if (!server_away(error)) {
                fail(error, "storing a cycle");
            }
            // Whether the commit reached the server is unknown; the cycle
            // goes to the queue under the same key, and the server skips it
            // if it has it.
            lost(error);
        }
    }
    queue().push({0, key, m_hunter, cycle, {sightings.begin(), sightings.end()}, alert_classes});
    return {};
}

void PostgresStore::require_server() {
    if (!reachable()) {
        throw StoreError(Kind::Unreachable, m_where + ": the server is away: " + m_lost_reason);
    }
}

CaptureHistory PostgresStore::capture_history(std::string_view target) {
    return read_capture(target, true);
}

CaptureHistory PostgresStore::capture_sizes(std::string_view target) {
    return read_capture(target, false);
}

CaptureHistory PostgresStore::read_capture(std::string_view target, bool with_frequencies) {
    CaptureHistory history;
    require_server();
    try {
        // One snapshot, so that the frequencies add up to the distinct count
        // while other hunters store cycles.
        pqxx::transaction<pqxx::repeatable_read, pqxx::read_only> work(m_connection->connection);
        const pqxx::result id = work.exec_prepared("find_target", std::string(target));
        if (id.empty()) {
            return history;
        }
        const auto target_id = id[0][0].as<std::int64_t>();
        history.distinct_numbers =
            work.exec_prepared1("distinct_of", target_id)[0].as<std::int64_t>();
        history.reply_sizes = reply_sizes(work, target_id);
        if (with_frequencies) {
            history.frequencies = frequencies(work, target_id);
        }
        work.commit();
    } catch (const std::exception& error) {
        fail(error, "reading a capture history");
    }
    return history;
}

std::int64_t PostgresStore::new_numbers_since(std::string_view target, TimeMs since) {
    return count_since("new_since", target, since, "counting new numbers");
}

std::int64_t PostgresStore::cycles_since(std::string_view target, TimeMs since) {
    return count_since("cycles_since", target, since, "counting cycles");
}

std::int64_t PostgresStore::count_since(const char* statement, std::string_view target,
                                        TimeMs since, const char* doing) {
    require_server();
    try {
        pqxx::nontransaction work(m_connection->connection);
        const pqxx::result id = work.exec_prepared("find_target", std::string(target));
        if (id.empty()) {
            return 0;
        }
        return work.exec_prepared1(statement, id[0][0].as<std::int64_t>(), since)[0]
            .as<std::int64_t>();
    } catch (const std::exception& error) {
        fail(error, doing);
    }
}

std::vector<TargetSummary> PostgresStore::summaries() {
    require_server();
    std::vector<TargetSummary> result;
    try {
        pqxx::read_transaction work(m_connection->connection);
        for (const auto& row : work.exec_prepared("summary_targets")) {
            TargetSummary summary;
            const auto id = row[0].as<std::int64_t>();
            summary.target = row[1].as<std::string>();
            summary.distinct_numbers = row[2].as<std::int64_t>();
            summary.cycles = row[3].as<std::int64_t>();
            summary.hits = row[4].as<std::int64_t>();
            for (const auto& mask_row : work.exec_prepared("classes_of", id)) {
                const auto mask = mask_row[0].as<std::uint32_t>();
                for (int bit = 0; bit < kClassBitCount; ++bit) {
                    if ((mask >> bit & 1U) != 0) {
                        summary.numbers_per_class[static_cast<std::size_t>(bit)] +=
                            mask_row[1].as<std::int64_t>();
                    }
                }
            }
            summary.capture.distinct_numbers = summary.distinct_numbers;
            summary.capture.reply_sizes = reply_sizes(work, id);
            summary.capture.frequencies = frequencies(work, id);
            result.push_back(std::move(summary));
        }
    } catch (const std::exception& error) {
        fail(error, "reading the summaries");
    }
    return result;
}

void PostgresStore::for_each_number(const NumberFilter& filter,
                                    const std::function<bool(const NumberRow&)>& row) {
    require_server();
    try {
        pqxx::read_transaction work(m_connection->connection);
        NumberRow last;
        bool first_page = true;
        for (;;) {
            const pqxx::result page = work.exec_prepared(
                "export_page", filter.target.value_or(std::string()),
                static_cast<int>(filter.any_of_classes),
                filter.first_seen_since.value_or(std::numeric_limits<TimeMs>::min()), first_page,
                last.target, last.first_seen, last.number);
            for (const auto& found : page) {
                last.target = found[0].as<std::string>();
                last.number = found[1].as<PhoneNumber>();
                last.classes = found[2].as<ClassMask>();
                last.first_seen = found[3].as<TimeMs>();
                last.last_seen = found[4].as<TimeMs>();
                last.times_seen = found[5].as<std::int64_t>();
                if (!row(last)) {
                    return;
                }
            }
            if (page.size() < kExportPage) {
                return;
            }
            first_page = false;
        }
    } catch (const std::exception& error) {
        fail(error, "reading the numbers");
    }
}

bool PostgresStore::lease_target(std::string_view target, std::string_view hunter_id, TimeMs now,
                                 TimeMs until) {
    m_hunter = std::string(hunter_id);
    const std::string label(target);
    if (reachable()) {
        try {
            const std::int64_t id = target_id(label);
            pqxx::nontransaction work(m_connection->connection);
            const bool granted =
                !work.exec_prepared("lease", id, m_hunter, std::max<TimeMs>(until - now, 0))
                     .empty();
            if (granted) {
                m_held[label] = until;
            } else {
                m_held.erase(label);
            }
            return granted;
        } catch (const std::exception& error) {
            if (!server_away(error)) {
                fail(error, "leasing a target");
            }
            lost(error);
        }
    }
    // With the server away, a hunter keeps the targets it held and takes no
    // others, so that hunters sharing a list do not all fall on one target.
    const auto held = m_held.find(label);
    if (held == m_held.end()) {
        return false;
    }
    held->second = until;
    return true;
}

void PostgresStore::release_targets(std::string_view hunter_id) {
    m_held.clear();
    if (!m_connection) {
        return;  // the leases run out by themselves
    }
    try {
        pqxx::nontransaction work(m_connection->connection);
        work.exec_prepared("release", std::string(hunter_id));
    } catch (const std::exception& error) {
        if (!server_away(error)) {
            fail(error, "releasing the targets");
        }
        lost(error);
    }
}

std::string PostgresStore::degraded_note() const {
    if (!m_lost_at) {
        return {};
    }
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::max(m_next_try - Clock::now(), Clock::duration::zero()));
    return "database server away (" + m_lost_reason.substr(0, m_lost_reason.find('\n')) +
           "); cycles kept in " + m_options.queue_path + ", next try in " + seconds_text(wait);
}

std::vector<LateCommit> PostgresStore::take_late_commits() {
    return std::exchange(m_late, {});
}

}  // namespace qorvex::hunt::postgres
