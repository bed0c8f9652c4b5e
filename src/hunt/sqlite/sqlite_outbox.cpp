#include "hunt/sqlite/sqlite_outbox.h"

#include "hunt/local_hunters/local_hunters.h"
#include "hunt/sqlite/sqlite_connection.h"

namespace qorvex::hunt::sqlite {

struct OutboxStatements {
    explicit OutboxStatements(Connection& c)
        : upsert_channel(c,
                         "INSERT INTO channels(key, shown) VALUES(?1, ?2) "
                         "ON CONFLICT(key) DO UPDATE SET shown = excluded.shown"),
          insert_message(c,
                         "INSERT INTO outbox(hunter_id, channel_key, target_id, number, classes, "
                         "first_seen, created, state, next_attempt) "
                         "VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?6, 'waiting', ?6)"),
          waiting_hunters(c,
                          "SELECT DISTINCT hunter_id FROM outbox "
                          "WHERE state = 'waiting' AND channel_key = ?1 AND hunter_id != ?2"),
          take_over(c,
                    "UPDATE outbox SET hunter_id = ?2 "
                    "WHERE state = 'waiting' AND channel_key = ?1 AND hunter_id = ?3"),
          waiting(c,
                  "SELECT o.id, t.label, o.number, o.classes, o.first_seen, o.created, "
                  "o.failures, o.next_attempt FROM outbox o JOIN targets t ON t.id = o.target_id "
                  "WHERE o.state = 'waiting' AND o.channel_key = ?1 AND o.hunter_id = ?2 "
                  "ORDER BY o.id LIMIT ?3"),
          // Only a waiting message is marked: one that a retry command or
          // another mark settled meanwhile keeps what it has.
          delivered(c,
                    "UPDATE outbox SET state = 'delivered', finished = ?2, error = '' "
                    "WHERE id = ?1 AND state = 'waiting'"),
          retry(c,
                "UPDATE outbox SET failures = ?2, next_attempt = ?3, error = ?4 "
                "WHERE id = ?1 AND state = 'waiting'"),
          failed(c,
                 "UPDATE outbox SET state = 'failed', finished = ?2, error = ?3 "
                 "WHERE id = ?1 AND state = 'waiting'"),
          retry_failed(c,
                       "UPDATE outbox SET state = 'waiting', failures = 0, next_attempt = ?2, "
                       "error = '', finished = NULL "
                       "WHERE state = 'failed' AND (?1 IS NULL OR channel_key = ?1)"),
          others_deliveries(c,
                            "SELECT DISTINCT finished FROM outbox WHERE state = 'delivered' "
                            "AND channel_key = ?1 AND hunter_id != ?2 AND finished > ?3 "
                            "ORDER BY finished"),
          failures(c,
                   "SELECT o.id, c.shown, t.label, o.number, o.finished, o.error "
                   "FROM outbox o JOIN channels c ON c.key = o.channel_key "
                   "JOIN targets t ON t.id = o.target_id WHERE o.state = 'failed' "
                   "ORDER BY o.finished DESC, o.id DESC LIMIT ?1"),
          counts(c,
                 "SELECT c.shown, sum(o.state = 'waiting'), sum(o.state = 'delivered'), "
                 "sum(o.state = 'failed') FROM outbox o JOIN channels c ON c.key = o.channel_key "
                 "GROUP BY o.channel_key ORDER BY c.shown, o.channel_key") {}

    Statement upsert_channel;
    Statement insert_message;
    Statement waiting_hunters;
    Statement take_over;
    Statement waiting;
    Statement delivered;
    Statement retry;
    Statement failed;
    Statement retry_failed;
    Statement others_deliveries;
    Statement failures;
    Statement counts;
};

namespace {

// A count or limit as SQLite binds it; a limit past its range means none.
std::int64_t bound_limit(std::size_t limit) {
    constexpr auto kMost = std::size_t(INT64_MAX);
    return std::int64_t(limit < kMost ? limit : kMost);
}

}  // namespace

SqliteOutbox::SqliteOutbox(Connection& connection, std::string hunter_id)
    : m_connection(connection),
      m_hunter_id(std::move(hunter_id)),
      m_statements(std::make_unique<OutboxStatements>(connection)) {}

SqliteOutbox::~SqliteOutbox() = default;

void SqliteOutbox::register_channels(std::span<const OutboxChannel> channels) {
    Statement& upsert = m_statements->upsert_channel;
    Transaction transaction(m_connection);
    for (const OutboxChannel& channel : channels) {
        const Statement::Run run(upsert);
        upsert.bind(1, channel.key).bind(2, channel.shown).run();
    }
    transaction.commit();
    m_channel_keys.clear();
    for (const OutboxChannel& channel : channels) {
        m_channel_keys.push_back(channel.key);
    }
}

void SqliteOutbox::add_hit(std::int64_t target_id, PhoneNumber number, ClassMask classes,
                           TimeMs at) {
    Statement& insert = m_statements->insert_message;
    for (const std::string& key : m_channel_keys) {
        const Statement::Run run(insert);
        insert.bind(1, m_hunter_id).bind(2, key).bind(3, target_id);
        insert.bind(4, number).bind(5, classes).bind(6, at).run();
    }
}

void SqliteOutbox::take_over_from_gone_hunters(std::string_view channel_key) {
    std::vector<std::string> gone;
    {
        Statement& hunters = m_statements->waiting_hunters;
        const Statement::Run run(hunters);
        hunters.bind(1, channel_key).bind(2, m_hunter_id);
        while (hunters.step()) {
            if (std::string hunter = hunters.text(0); hunter_gone(hunter)) {
                gone.push_back(std::move(hunter));
            }
        }
    }
    if (gone.empty()) {
        return;
    }
    // Rows still naming the gone hunter change hands in one write
    // transaction: a live hunter that took them first has renamed them, so
    // each message goes to exactly one hunter.
    Statement& take = m_statements->take_over;
    Transaction transaction(m_connection);
    for (const std::string& hunter : gone) {
        const Statement::Run run(take);
        take.bind(1, channel_key).bind(2, m_hunter_id).bind(3, hunter).run();
    }
    transaction.commit();
}

std::vector<OutboxMessage> SqliteOutbox::waiting_messages(std::string_view channel_key,
                                                          std::size_t limit) {
    take_over_from_gone_hunters(channel_key);
    std::vector<OutboxMessage> messages;
    Statement& waiting = m_statements->waiting;
    const Statement::Run run(waiting);
    waiting.bind(1, channel_key).bind(2, m_hunter_id).bind(3, bound_limit(limit));
    while (waiting.step()) {
        OutboxMessage message;
        message.id = waiting.integer(0);
        message.channel_key = std::string(channel_key);
        message.target = waiting.text(1);
        message.number = waiting.integer(2);
        message.classes = ClassMask(waiting.integer(3));
        message.first_seen = waiting.integer(4);
        message.created = waiting.integer(5);
        message.failures = int(waiting.integer(6));
        message.next_attempt = waiting.integer(7);
        messages.push_back(std::move(message));
    }
    return messages;
}

std::vector<TimeMs> SqliteOutbox::others_deliveries(std::string_view channel_key, TimeMs since) {
    std::vector<TimeMs> times;
    Statement& others = m_statements->others_deliveries;
    const Statement::Run run(others);
    others.bind(1, channel_key).bind(2, m_hunter_id).bind(3, since);
    while (others.step()) {
        times.push_back(others.integer(0));
    }
    return times;
}

void SqliteOutbox::mark_delivered(std::span<const std::int64_t> ids, TimeMs when) {
    Statement& mark = m_statements->delivered;
    Transaction transaction(m_connection);
    for (const std::int64_t id : ids) {
        const Statement::Run run(mark);
        mark.bind(1, id).bind(2, when).run();
    }
    transaction.commit();
}

void SqliteOutbox::mark_retry(std::span<const std::int64_t> ids, int failures, TimeMs next_attempt,
                              std::string_view error) {
    Statement& mark = m_statements->retry;
    Transaction transaction(m_connection);
    for (const std::int64_t id : ids) {
        const Statement::Run run(mark);
        mark.bind(1, id).bind(2, failures).bind(3, next_attempt).bind(4, error).run();
    }
    transaction.commit();
}

void SqliteOutbox::mark_failed(std::span<const std::int64_t> ids, TimeMs when,
                               std::string_view error) {
    Statement& mark = m_statements->failed;
    Transaction transaction(m_connection);
    for (const std::int64_t id : ids) {
        const Statement::Run run(mark);
        mark.bind(1, id).bind(2, when).bind(3, error).run();
    }
    transaction.commit();
}

std::int64_t SqliteOutbox::retry_failed(const std::optional<std::string>& channel_key, TimeMs now) {
    Statement& retry = m_statements->retry_failed;
    Transaction transaction(m_connection);
    {
        const Statement::Run run(retry);
        if (channel_key) {
            retry.bind(1, *channel_key);
        }
        retry.bind(2, now).run();
    }
    const std::int64_t retried = m_connection.changes();
    transaction.commit();
    return retried;
}

std::vector<OutboxFailure> SqliteOutbox::failed_messages(std::size_t limit) {
    std::vector<OutboxFailure> found;
    Statement& failures = m_statements->failures;
    const Statement::Run run(failures);
    failures.bind(1, bound_limit(limit));
    while (failures.step()) {
        found.push_back({failures.integer(0), failures.text(1), failures.text(2),
                         failures.integer(3), failures.integer(4), failures.text(5)});
    }
    return found;
}

std::vector<OutboxCounts> SqliteOutbox::outbox_counts() {
    std::vector<OutboxCounts> found;
    Statement& counts = m_statements->counts;
    const Statement::Run run(counts);
    while (counts.step()) {
        found.push_back({counts.text(0), counts.integer(1), counts.integer(2), counts.integer(3)});
    }
    return found;
}

}  // namespace qorvex::hunt::sqlite
