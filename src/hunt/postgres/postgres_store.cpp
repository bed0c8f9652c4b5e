#include "hunt/postgres/postgres_store.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <pqxx/pqxx>

#include "hunt/local_hunters/local_hunters.h"
#include "hunt/postgres/connection_attempt.h"
#include "hunt/postgres/local_queue.h"
#include "hunt/postgres/pg_errors.h"
#include "hunt/postgres/pg_schema.h"
#include "hunt/postgres/server_connection.h"
#include "hunt/postgres/store_helpers.h"

namespace qorvex::hunt::postgres {

namespace {

using Kind = StoreError::Kind;
using Clock = std::chrono::steady_clock;

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

// A queued cycle stored: what it added, for the hunter to show and alert.
LateCommit late_commit(const QueuedCycle& cycle, CycleCommit commit) {
    LateCommit late;
    late.target = cycle.record.target;
    late.commit = std::move(commit);
    late.outcome = cycle.record.outcome;
    late.distinct_numbers = cycle.sightings.size();
    return late;
}

// How long a hunter waits for a connection attempt it just started, so
// that a server that is back is used at once and a frozen one costs little.
constexpr std::chrono::milliseconds kConnectWait{100};
// How often the queue is looked over for cycles of hunters that died.
constexpr std::chrono::seconds kAdoptionPause{5};
// Every pattern class but the custom one: the classes another hunter's
// --alert can claim of a number this hunter read.
constexpr int kSharedClasses = (1 << kCustomClassBit) - 1;

}  // namespace

bool PostgresStore::connecting_in_background() {
    return ConnectionAttempt::any_running();
}

std::unique_ptr<PostgresStore> PostgresStore::open(const std::string& uri,
                                                   const PostgresOptions& options) {
    std::unique_ptr<PostgresStore> store(new PostgresStore(uri, options));
    try {
        store->m_connection = connect_to(with_limits(uri, store->m_options));
    } catch (const std::exception& error) {
        store->fail(error, "connecting");
    }
    try {
        store->watched(
            [&](pqxx::connection& connection) { ensure_schema(connection, store->m_where); });
    } catch (const StoreError&) {
        throw;
    } catch (const std::exception& error) {
        store->fail(error, "preparing the schema");
    }
    return store;
}

PostgresStore::PostgresStore(std::string uri, PostgresOptions options)
    : m_uri(std::move(uri)),
      m_where(without_password(m_uri)),
      m_options(std::move(options)),
      m_watch(std::make_unique<StatementWatch>(m_options.give_up)),
      m_hunter(m_options.hunter_id),
      m_random(std::random_device{}()) {
    if (m_options.queue_path.empty()) {
        m_options.queue_path = default_queue_path();
    }
}

PostgresStore::~PostgresStore() = default;

void PostgresStore::fail(const std::exception& error, const std::string& doing) {
    throw store_error(error, m_uri, doing);
}

void PostgresStore::failed(const std::exception& error, const std::string& doing) {
    if (server_away(error)) {
        lost(error);
    }
    fail(error, doing);
}

void PostgresStore::set_back(const std::exception& error, const std::string& doing) {
    if (!worth_another_try(error)) {
        fail(error, doing);
    }
    if (server_away(error)) {
        lost(error);
    } else {
        m_setback = error.what();
    }
}

bool PostgresStore::reachable() {
    if (m_connection) {
        return true;
    }
    if (!m_attempt) {
        if (Clock::now() < m_next_try) {
            return false;
        }
        m_attempt = std::make_unique<ConnectionAttempt>(with_limits(m_uri, m_options));
    }
    const bool stopping = m_options.give_up && m_options.give_up();
    try {
        auto made = m_attempt->result(stopping ? std::chrono::milliseconds(0) : kConnectWait);
        if (!made) {
            return false;
        }
        m_attempt.reset();
        m_connection = std::move(*made);
    } catch (const std::exception& failure) {
        m_attempt.reset();
        lost(failure);
        return false;
    }
    m_target_ids.clear();
    m_lost_at.reset();
    return true;
}

LocalQueue& PostgresStore::queue() {
    if (!m_queue) {
        m_queue = std::make_unique<LocalQueue>(m_options.queue_path, m_options.queue_limit);
    }
    return *m_queue;
}

std::int64_t PostgresStore::own_queued() {
    if (m_own_queued < 0) {
        m_own_queued = !m_queue && !std::filesystem::exists(m_options.queue_path)
                           ? 0
                           : queue().size_of(m_hunter);
    }
    return m_own_queued;
}

std::int64_t PostgresStore::queued_cycles() {
    return own_queued();
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
    m_lost_reason = without_secrets(error.what(), passwords_in(m_uri));
    // A little jitter keeps hunters that lost the server together from
    // coming back in step.
    const auto jitter = std::chrono::milliseconds(static_cast<std::int64_t>(
        m_random() % static_cast<std::uint64_t>(m_retry.count() / 4 + 1)));
    m_next_try = now + m_retry + jitter;
}

std::vector<std::string> PostgresStore::queue_senders() {
    std::vector<std::string> senders;
    if (own_queued() > 0) {
        senders.push_back(m_hunter);
    }
    if (Clock::now() >= m_next_adoption &&
        (m_queue || std::filesystem::exists(m_options.queue_path))) {
        for (std::string& hunter : queue().hunters()) {
            if (hunter != m_hunter && hunter_gone(hunter)) {
                senders.push_back(std::move(hunter));
            }
        }
    }
    return senders;
}

bool PostgresStore::flush_queue() {
    const bool adopting = Clock::now() >= m_next_adoption;
    int sent = 0;
    for (const std::string& hunter : queue_senders()) {
        while (sent < m_options.flush_batch) {
            auto cycle = queue().oldest(hunter);
            if (!cycle) {
                break;
            }
            auto commit = store_cycle(cycle->key, cycle->hunter, cycle->record, cycle->sightings,
                                      cycle->alert_classes);
            m_late.push_back(late_commit(*cycle, std::move(commit)));
            queue().remove(cycle->position);
            ++sent;
            if (hunter == m_hunter) {
                --m_own_queued;
            }
        }
    }
    // Dead hunters' cycles are looked for again after a pause, or on the
    // next cycle while a full batch went.
    if (adopting && sent < m_options.flush_batch) {
        m_next_adoption = Clock::now() + kAdoptionPause;
    }
    if (own_queued() == 0) {
        m_setback.clear();
    }
    return own_queued() == 0;
}

std::int64_t PostgresStore::target_id(const std::string& label) {
    if (const auto known = m_target_ids.find(label); known != m_target_ids.end()) {
        return known->second;
    }
    const std::int64_t id = watched([&](pqxx::connection& connection) {
        pqxx::nontransaction work(connection);
        return work.exec_prepared1("target", label)[0].as<std::int64_t>();
    });
    m_target_ids.emplace(label, id);
    return id;
}

CycleCommit PostgresStore::store_cycle(const std::string& key, const std::string& hunter,
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
    CycleCommit commit;
    try {
        const pqxx::result rows = watched([&](pqxx::connection& connection) {
            pqxx::nontransaction work(connection);
            return work.exec_prepared(
                "store_cycle", target, cycle.started,
                array_text(sorted, [](const Sighting& s) { return s.number; }),
                array_text(sorted, [](const Sighting& s) { return s.classes; }),
                static_cast<int>(alert_classes), key, hunter,
                std::string(outcome_name(cycle.outcome)), cycle.numbers_in_reply,
                static_cast<std::int64_t>(sightings.size()), cycle.duration_ms, cycle.error,
                cycle.outcome == CycleOutcome::Numbers, kSharedClasses);
        });
        for (const auto& row : rows) {
            outcomes[row[0].as<PhoneNumber>()] = {row[1].as<bool>(), row[2].as<bool>(),
                                                  row[3].as<std::int64_t>()};
        }
    } catch (const pqxx::unique_violation& error) {
        if (std::string_view(error.what()).find("cycle_key") == std::string_view::npos) {
            throw;
        }
        // Stored before, its acknowledgement lost: its hunter never heard
        // of its hits, which are alerted now.
        const pqxx::result hits = watched([&](pqxx::connection& connection) {
            pqxx::nontransaction work(connection);
            return work.exec_prepared("replayed_hits", key, hunter);
        });
        for (const auto& row : hits) {
            commit.new_numbers.push_back({row[0].as<PhoneNumber>(), row[1].as<ClassMask>(), true});
        }
        return commit;
    }
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

void PostgresStore::take_hits_of_others() {
    if (!m_options.hunter || !m_connection) {
        return;
    }
    try {
        const pqxx::result rows = watched([&](pqxx::connection& connection) {
            pqxx::nontransaction work(connection);
            return work.exec_prepared("hits_to_announce", m_hunter);
        });
        for (const auto& row : rows) {
            const auto id = row[0].as<std::int64_t>();
            if (m_unmarked.insert(id).second) {
                LateCommit late;
                late.target = row[1].as<std::string>();
                late.commit.new_numbers.push_back(
                    {row[2].as<PhoneNumber>(), row[3].as<ClassMask>(), true});
                late.alerts_only = true;
                m_late.push_back(std::move(late));
            }
        }
        if (!m_unmarked.empty()) {
            watched([&](pqxx::connection& connection) {
                pqxx::nontransaction work(connection);
                work.exec_prepared("announced", array_text(m_unmarked, [](auto id) { return id; }));
            });
            m_unmarked.clear();
        }
    } catch (const std::exception& error) {
        set_back(error, "reading the hits of other hunters' cycles");
    }
}

CycleCommit PostgresStore::record_cycle(const CycleRecord& cycle,
                                        std::span<const Sighting> sightings,
                                        ClassMask alert_classes) {
    const std::string key = m_keys.next();
    if (reachable()) {
        try {
            send_channels();  // before any hit of this hunter is stored
            if (flush_queue()) {
                CycleCommit commit = store_cycle(key, m_hunter, cycle, sightings, alert_classes);
                take_hits_of_others();
                return commit;
            }
        } catch (const std::exception& error) {
            // Whether the commit reached the server may be unknown; the
            // cycle goes to the queue under the same key, and the server
            // gives back its hits if it has it.
            set_back(error, "storing a cycle");
        }
    }
    queue().push({0, key, m_hunter, cycle, {sightings.begin(), sightings.end()}, alert_classes});
    if (m_own_queued >= 0) {
        ++m_own_queued;
    } else {
        own_queued();  // counts the queue, this cycle included
    }
    CycleCommit queued;
    queued.stored = false;
    return queued;
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
    require_server();
    try {
        return watched([&](pqxx::connection& connection) {
            CaptureHistory history;
            // One snapshot, so that the frequencies add up to the distinct
            // count while other hunters store cycles.
            pqxx::transaction<pqxx::repeatable_read, pqxx::read_only> work(connection);
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
            return history;
        });
    } catch (const std::exception& error) {
        failed(error, "reading a capture history");
    }
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
        return watched([&](pqxx::connection& connection) -> std::int64_t {
            pqxx::nontransaction work(connection);
            const pqxx::result id = work.exec_prepared("find_target", std::string(target));
            if (id.empty()) {
                return 0;
            }
            return work.exec_prepared1(statement, id[0][0].as<std::int64_t>(), since)[0]
                .as<std::int64_t>();
        });
    } catch (const std::exception& error) {
        failed(error, doing);
    }
}

std::vector<TargetSummary> PostgresStore::summaries() {
    require_server();
    try {
        return watched([&](pqxx::connection& connection) {
            std::vector<TargetSummary> result;
            pqxx::transaction<pqxx::repeatable_read, pqxx::read_only> work(connection);
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
            return result;
        });
    } catch (const std::exception& error) {
        failed(error, "reading the summaries");
    }
}

void PostgresStore::for_each_number(const NumberFilter& filter,
                                    const std::function<bool(const NumberRow&)>& row) {
    require_server();
    try {
        // One snapshot for every page: rows stored meanwhile change nothing.
        pqxx::transaction<pqxx::repeatable_read, pqxx::read_only> work(m_connection->connection);
        std::vector<std::pair<std::int64_t, std::string>> targets;
        watched([&](pqxx::connection&) {
            for (const auto& found :
                 work.exec_prepared("export_targets", filter.target.value_or(std::string()))) {
                targets.emplace_back(found[0].as<std::int64_t>(), found[1].as<std::string>());
            }
        });
        NumberRow last;
        for (const auto& [id, label] : targets) {
            last.target = label;
            // Numbers are positive: (since, -1) comes before every row from
            // `since` on.
            last.first_seen = filter.first_seen_since.value_or(std::numeric_limits<TimeMs>::min());
            last.number = -1;
            for (;;) {
                const pqxx::result page = watched([&](pqxx::connection&) {
                    return work.exec_prepared("export_page", id,
                                              static_cast<int>(filter.any_of_classes),
                                              last.first_seen, last.number);
                });
                for (const auto& found : page) {
                    last.number = found[0].as<PhoneNumber>();
                    last.classes = found[1].as<ClassMask>();
                    last.first_seen = found[2].as<TimeMs>();
                    last.last_seen = found[3].as<TimeMs>();
                    last.times_seen = found[4].as<std::int64_t>();
                    if (!row(last)) {
                        return;
                    }
                }
                if (page.size() < kExportPage) {
                    break;
                }
            }
        }
    } catch (const std::exception& error) {
        failed(error, "reading the numbers");
    }
}

bool PostgresStore::lease_target(std::string_view target, std::string_view hunter_id, TimeMs now,
                                 TimeMs until) {
    if (m_hunter != hunter_id) {
        m_hunter = std::string(hunter_id);
        m_own_queued = -1;
    }
    const std::string label(target);
    if (reachable()) {
        try {
            const std::int64_t id = target_id(label);
            const bool granted = watched([&](pqxx::connection& connection) {
                pqxx::nontransaction work(connection);
                return !work.exec_prepared("lease", id, m_hunter, std::max<TimeMs>(until - now, 0),
                                           static_cast<int>(m_options.alert_classes))
                            .empty();
            });
            if (granted) {
                m_held[label] = until;
            } else {
                m_held.erase(label);
            }
            take_hits_of_others();
            return granted;
        } catch (const std::exception& error) {
            set_back(error, "leasing a target");
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
        watched([&](pqxx::connection& connection) {
            pqxx::nontransaction work(connection);
            work.exec_prepared("release", std::string(hunter_id));
        });
    } catch (const std::exception& error) {
        set_back(error, "releasing the targets");
    }
}

// A state is only shown, never counted: while the server is away it is not
// kept, and the next change of state says it again.
void PostgresStore::record_target_state(std::string_view target, std::string_view state,
                                        std::string_view reason, TimeMs since) {
    if (!m_connection) {
        return;
    }
    try {
        watched([&](pqxx::connection& connection) {
            pqxx::nontransaction work(connection);
            work.exec_prepared("record_state", std::string(target), std::string(state),
                               std::string(reason), since);
        });
    } catch (const std::exception& error) {
        set_back(error, "recording a target's state");
    }
}

std::string PostgresStore::degraded_note() const {
    if (m_lost_at) {
        const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::max(m_next_try - Clock::now(), Clock::duration::zero()));
        return "database server away (" + m_lost_reason.substr(0, m_lost_reason.find('\n')) +
               "); cycles kept in " + m_options.queue_path + ", next try in " + seconds_text(wait);
    }
    if (m_own_queued > 0) {
        std::string note =
            std::to_string(m_own_queued) + " queued cycles being sent from " + m_options.queue_path;
        if (!m_setback.empty()) {
            note +=
                " (the server turned one down: " + m_setback.substr(0, m_setback.find('\n')) + ")";
        }
        return note;
    }
    return {};
}

std::vector<LateCommit> PostgresStore::take_late_commits() {
    return std::exchange(m_late, {});
}

}  // namespace qorvex::hunt::postgres
