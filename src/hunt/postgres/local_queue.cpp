#include "hunt/postgres/local_queue.h"

#include <charconv>
#include <cstdlib>
#include <filesystem>

#include "hunt/sqlite/sqlite_connection.h"

namespace qorvex::hunt::postgres {

namespace {

using sqlite::Connection;
using sqlite::Statement;

// Sightings as "number:classes" pairs separated by spaces: a value bound
// as text, read back by the same program.
std::string sightings_text(const std::vector<Sighting>& sightings) {
    std::string text;
    for (const Sighting& sighting : sightings) {
        text += std::to_string(sighting.number) + ':' + std::to_string(sighting.classes) + ' ';
    }
    return text;
}

std::vector<Sighting> sightings_of(const std::string& text) {
    std::vector<Sighting> sightings;
    const char* at = text.data();
    const char* end = text.data() + text.size();
    while (at < end) {
        Sighting sighting;
        auto [after_number, error] = std::from_chars(at, end, sighting.number);
        if (error != std::errc() || after_number == end || *after_number != ':') {
            break;
        }
        auto [after_classes, classes_error] =
            std::from_chars(after_number + 1, end, sighting.classes);
        if (classes_error != std::errc()) {
            break;
        }
        sightings.push_back(sighting);
        at = after_classes + 1;
    }
    return sightings;
}

}  // namespace

LocalQueue::LocalQueue(const std::string& path, std::int64_t max_cycles)
    : m_path(path), m_max_cycles(max_cycles) {
    std::error_code ignored;
    const auto folder = std::filesystem::path(path).parent_path();
    if (!folder.empty()) {
        std::filesystem::create_directories(folder, ignored);
    }
    m_connection = std::make_unique<Connection>(path, Connection::Create::IfMissing);
    m_connection->set_busy_wait(std::chrono::milliseconds(5000));
    m_connection->query_text("PRAGMA journal_mode = WAL");
    m_connection->exec(
        "CREATE TABLE IF NOT EXISTS queued("
        "  position INTEGER PRIMARY KEY, cycle_key TEXT NOT NULL UNIQUE, hunter TEXT NOT NULL,"
        "  target TEXT NOT NULL,"
        "  started INTEGER NOT NULL, outcome TEXT NOT NULL, numbers_in_reply INTEGER NOT NULL,"
        "  duration_ms INTEGER NOT NULL, error TEXT NOT NULL, alert_classes INTEGER NOT NULL,"
        "  sightings TEXT NOT NULL)");
    m_connection->exec("CREATE INDEX IF NOT EXISTS queued_by_hunter ON queued(hunter, position)");
    m_push = std::make_unique<Statement>(
        *m_connection,
        "INSERT INTO queued(cycle_key, target, started, outcome, numbers_in_reply, duration_ms, "
        "error, alert_classes, sightings, hunter) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10) "
        "ON CONFLICT(cycle_key) DO NOTHING");
    m_oldest = std::make_unique<Statement>(
        *m_connection,
        "SELECT position, cycle_key, target, started, outcome, numbers_in_reply, duration_ms, "
        "error, alert_classes, sightings, hunter FROM queued WHERE hunter = ?1 "
        "ORDER BY position LIMIT 1");
    m_remove = std::make_unique<Statement>(*m_connection, "DELETE FROM queued WHERE position = ?1");
    m_count = std::make_unique<Statement>(*m_connection, "SELECT count(*) FROM queued");
    m_count_of =
        std::make_unique<Statement>(*m_connection, "SELECT count(*) FROM queued WHERE hunter = ?1");
    m_hunters = std::make_unique<Statement>(*m_connection, "SELECT DISTINCT hunter FROM queued");
    m_connection->exec(
        "CREATE TABLE IF NOT EXISTS kept_marks("
        "  position INTEGER PRIMARY KEY, state INTEGER NOT NULL, ids TEXT NOT NULL,"
        "  at INTEGER NOT NULL, failures INTEGER NOT NULL, error TEXT NOT NULL)");
    m_keep_mark = std::make_unique<Statement>(
        *m_connection,
        "INSERT INTO kept_marks(state, ids, at, failures, error) VALUES(?1, ?2, ?3, ?4, ?5)");
    m_oldest_mark = std::make_unique<Statement>(
        *m_connection,
        "SELECT position, state, ids, at, failures, error FROM kept_marks "
        "ORDER BY position LIMIT 1");
    m_remove_mark =
        std::make_unique<Statement>(*m_connection, "DELETE FROM kept_marks WHERE position = ?1");
}

LocalQueue::~LocalQueue() = default;

void LocalQueue::push(const QueuedCycle& cycle) {
    if (size() >= m_max_cycles) {
        throw StoreError(StoreError::Kind::Full, m_path + ": the local queue holds " +
                                                     std::to_string(m_max_cycles) +
                                                     " cycles waiting for the server, its limit");
    }
    const Statement::Run run(*m_push);
    const CycleRecord& r = cycle.record;
    m_push->bind(1, cycle.key).bind(2, r.target).bind(3, r.started);
    m_push->bind(4, outcome_name(r.outcome)).bind(5, r.numbers_in_reply);
    m_push->bind(6, r.duration_ms).bind(7, r.error).bind(8, cycle.alert_classes);
    m_push->bind(9, sightings_text(cycle.sightings)).bind(10, cycle.hunter);
    m_push->run();
}

std::optional<QueuedCycle> LocalQueue::oldest(const std::string& hunter) {
    const Statement::Run run(*m_oldest);
    m_oldest->bind(1, hunter);
    if (!m_oldest->step()) {
        return std::nullopt;
    }
    const Statement& s = *m_oldest;
    QueuedCycle cycle;
    cycle.position = s.integer(0);
    cycle.key = s.text(1);
    cycle.record.target = s.text(2);
    cycle.record.started = s.integer(3);
    cycle.record.outcome = outcome_from_name(s.text(4)).value_or(CycleOutcome::Failed);
    cycle.record.numbers_in_reply = static_cast<int>(s.integer(5));
    cycle.record.duration_ms = static_cast<int>(s.integer(6));
    cycle.record.error = s.text(7);
    cycle.alert_classes = static_cast<ClassMask>(s.integer(8));
    cycle.sightings = sightings_of(s.text(9));
    cycle.hunter = s.text(10);
    return cycle;
}

void LocalQueue::remove(std::int64_t position) {
    const Statement::Run run(*m_remove);
    m_remove->bind(1, position).run();
}

std::int64_t LocalQueue::size() {
    const Statement::Run run(*m_count);
    return m_count->step() ? m_count->integer(0) : 0;
}

std::int64_t LocalQueue::size_of(const std::string& hunter) {
    const Statement::Run run(*m_count_of);
    m_count_of->bind(1, hunter);
    return m_count_of->step() ? m_count_of->integer(0) : 0;
}

std::vector<std::string> LocalQueue::hunters() {
    const Statement::Run run(*m_hunters);
    std::vector<std::string> all;
    while (m_hunters->step()) {
        all.push_back(m_hunters->text(0));
    }
    return all;
}

std::string default_queue_path() {
    namespace fs = std::filesystem;
    fs::path base;
    if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && *state != '\0') {
        base = state;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        base = fs::path(home) / ".local" / "state";
    } else {
        base = fs::temp_directory_path();
    }
    return (base / "qorvex-hunt" / "queue.db").string();
}

void LocalQueue::keep_mark(const KeptMark& mark) {
    const Statement::Run run(*m_keep_mark);
    m_keep_mark->bind(1, mark.state).bind(2, mark.ids).bind(3, mark.when);
    m_keep_mark->bind(4, mark.failures).bind(5, mark.error).run();
}

std::optional<KeptMark> LocalQueue::oldest_mark() {
    const Statement::Run run(*m_oldest_mark);
    if (!m_oldest_mark->step()) {
        return std::nullopt;
    }
    const Statement& s = *m_oldest_mark;
    return KeptMark{s.integer(0), static_cast<int>(s.integer(1)), s.text(2),
                    s.integer(3), static_cast<int>(s.integer(4)), s.text(5)};
}

void LocalQueue::remove_mark(std::int64_t position) {
    const Statement::Run run(*m_remove_mark);
    m_remove_mark->bind(1, position).run();
}

}  // namespace qorvex::hunt::postgres
