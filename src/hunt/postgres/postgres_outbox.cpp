// The shared store's outbox: the channels each hunter delivers to, and the
// messages that record_cycle's statement writes with each hit. Each message
// belongs to one hunter (the hit's owner, or the live hunter that took it
// over from one that is gone), and only that hunter is given it to send.

#include <algorithm>
#include <filesystem>
#include <optional>
#include <pqxx/pqxx>

#include "hunt/postgres/local_queue.h"
#include "hunt/postgres/pg_errors.h"
#include "hunt/postgres/store_helpers.h"

namespace qorvex::hunt::postgres {

void PostgresStore::send_channels() {
    if (m_channels_sent) {
        return;
    }
    watched([&](pqxx::connection& connection) {
        pqxx::work work(connection);
        work.exec_prepared("forget_channels", m_hunter);
        for (const OutboxChannel& channel : m_channels) {
            work.exec_prepared("add_channel", m_hunter, channel.key, channel.shown);
        }
        work.commit();
    });
    m_channels_sent = true;
}

void PostgresStore::register_channels(std::span<const OutboxChannel> channels) {
    m_channels.assign(channels.begin(), channels.end());
    m_channels_sent = false;
    // While the server is away the channels go with the next cycle stored,
    // ahead of it.
    if (reachable()) {
        try {
            send_channels();
        } catch (const std::exception& error) {
            set_back(error, "registering the channels");
        }
    }
}

std::vector<OutboxMessage> PostgresStore::waiting_messages(std::string_view channel_key,
                                                           std::size_t limit) {
    if (!reachable() || !send_marks()) {
        return {};
    }
    std::vector<OutboxMessage> messages;
    try {
        const pqxx::result rows = watched([&](pqxx::connection& connection) {
            pqxx::nontransaction work(connection);
            return work.exec_prepared("outbox_take", std::string(channel_key), m_hunter,
                                      static_cast<std::int64_t>(limit));
        });
        for (const auto& row : rows) {
            OutboxMessage message;
            message.id = row[0].as<std::int64_t>();
            message.channel_key = row[1].as<std::string>();
            message.target = row[2].as<std::string>();
            message.number = row[3].as<PhoneNumber>();
            message.classes = row[4].as<ClassMask>();
            message.first_seen = row[5].as<TimeMs>();
            message.created = row[6].as<TimeMs>();
            message.failures = row[7].as<int>();
            message.next_attempt = row[8].as<TimeMs>();
            messages.push_back(std::move(message));
        }
    } catch (const std::exception& error) {
        set_back(error, "reading the outbox");
    }
    return messages;
}

void PostgresStore::mark(OutboxMark mark) {
    if (mark.ids.empty()) {
        return;
    }
    m_marks.push_back(std::move(mark));
    if (!reachable() || !send_marks()) {
        keep_marks();
    }
}

namespace {

void apply_mark(pqxx::connection& connection, OutboxState state, const std::string& ids,
                TimeMs when, int failures, const std::string& error) {
    pqxx::nontransaction work(connection);
    switch (state) {
        case OutboxState::Delivered:
            work.exec_prepared("outbox_delivered", ids, when);
            break;
        case OutboxState::Waiting:
            work.exec_prepared("outbox_retry", ids, failures, when, error);
            break;
        case OutboxState::Failed:
            work.exec_prepared("outbox_failed", ids, when, error);
            break;
    }
}

}  // namespace

// Marks the server cannot take now wait in the queue file: a hunter that
// ends before the server is back must not lose them, or their messages
// would be sent again. Where the file cannot be written they stay here.
void PostgresStore::keep_marks() {
    if (!m_options.hunter) {
        return;
    }
    try {
        while (!m_marks.empty()) {
            const OutboxMark& mark = m_marks.front();
            queue().keep_mark({0, static_cast<int>(mark.state),
                               array_text(mark.ids, [](std::int64_t id) { return id; }), mark.when,
                               mark.failures, mark.error});
            m_marks.erase(m_marks.begin());
        }
    } catch (const std::exception&) {
        // Left in memory, to be sent while this hunter runs.
    }
}

// The marks kept in the queue file, by this hunter or one that ended
// before the server came back, oldest first.
bool PostgresStore::send_kept_marks() {
    if (!m_options.hunter || (!m_queue && !std::filesystem::exists(m_options.queue_path))) {
        return true;
    }
    for (;;) {
        std::optional<KeptMark> kept;
        try {
            kept = queue().oldest_mark();
        } catch (const std::exception&) {
            return true;  // an unreadable queue file holds nothing to send here
        }
        if (!kept) {
            return true;
        }
        try {
            watched([&](pqxx::connection& connection) {
                apply_mark(connection, static_cast<OutboxState>(kept->state), kept->ids, kept->when,
                           kept->failures, kept->error);
            });
        } catch (const std::exception& error) {
            if (!worth_another_try(error)) {
                queue().remove_mark(kept->position);  // never to be stored: not tried forever
            }
            set_back(error, "marking outbox messages");
            return false;
        }
        queue().remove_mark(kept->position);
    }
}

bool PostgresStore::send_marks() {
    if (!send_kept_marks()) {
        return false;
    }
    while (!m_marks.empty()) {
        const OutboxMark& mark = m_marks.front();
        const std::string ids = array_text(mark.ids, [](std::int64_t id) { return id; });
        try {
            watched([&](pqxx::connection& connection) {
                apply_mark(connection, mark.state, ids, mark.when, mark.failures, mark.error);
            });
        } catch (const std::exception& error) {
            if (!worth_another_try(error)) {
                m_marks.erase(m_marks.begin());  // never to be stored: not tried forever
            }
            set_back(error, "marking outbox messages");
            return false;
        }
        m_marks.erase(m_marks.begin());
    }
    return true;
}

void PostgresStore::require_marked() {
    require_server();
    if (!send_marks()) {
        require_server();  // the marks wait on a setback, but not on a lost server
    }
}

void PostgresStore::mark_delivered(std::span<const std::int64_t> ids, TimeMs when) {
    mark({OutboxState::Delivered, {ids.begin(), ids.end()}, when, 0, {}});
}

void PostgresStore::mark_retry(std::span<const std::int64_t> ids, int failures, TimeMs next_attempt,
                               std::string_view error) {
    mark({OutboxState::Waiting,
          {ids.begin(), ids.end()},
          next_attempt,
          failures,
          std::string(error)});
}

void PostgresStore::mark_failed(std::span<const std::int64_t> ids, TimeMs when,
                                std::string_view error) {
    mark({OutboxState::Failed, {ids.begin(), ids.end()}, when, 0, std::string(error)});
}

std::int64_t PostgresStore::retry_failed(std::optional<std::string> channel_key, TimeMs now) {
    require_marked();
    try {
        return watched([&](pqxx::connection& connection) {
            pqxx::nontransaction work(connection);
            return static_cast<std::int64_t>(
                work.exec_prepared("outbox_retry_failed", channel_key.value_or(std::string()), now)
                    .affected_rows());
        });
    } catch (const std::exception& error) {
        failed(error, "retrying the failed messages");
    }
}

// While the server is away nothing is sent, so nothing is known or needed.
std::vector<TimeMs> PostgresStore::others_deliveries(std::string_view channel_key, TimeMs since) {
    if (!reachable()) {
        return {};
    }
    std::vector<TimeMs> times;
    try {
        const pqxx::result rows = watched([&](pqxx::connection& connection) {
            pqxx::nontransaction work(connection);
            return work.exec_prepared("outbox_others_delivered", std::string(channel_key), m_hunter,
                                      since);
        });
        for (const auto& row : rows) {
            times.push_back(row[0].as<TimeMs>());
        }
    } catch (const std::exception& error) {
        set_back(error, "reading the outbox");
    }
    return times;
}

std::vector<OutboxFailure> PostgresStore::failed_messages(std::size_t limit) {
    require_marked();
    try {
        return watched([&](pqxx::connection& connection) {
            pqxx::nontransaction work(connection);
            std::vector<OutboxFailure> failures;
            for (const auto& row :
                 work.exec_prepared("outbox_failures", static_cast<std::int64_t>(limit))) {
                failures.push_back({row[0].as<std::int64_t>(), row[1].as<std::string>(),
                                    row[2].as<std::string>(), row[3].as<PhoneNumber>(),
                                    row[4].as<TimeMs>(), row[5].as<std::string>()});
            }
            return failures;
        });
    } catch (const std::exception& error) {
        failed(error, "reading the failed messages");
    }
}

std::vector<OutboxCounts> PostgresStore::outbox_counts() {
    require_marked();
    try {
        return watched([&](pqxx::connection& connection) {
            pqxx::nontransaction work(connection);
            std::vector<OutboxCounts> counts;
            for (const auto& row : work.exec_prepared("outbox_counts", m_hunter)) {
                counts.push_back({row[0].as<std::string>(), row[1].as<std::int64_t>(),
                                  row[2].as<std::int64_t>(), row[3].as<std::int64_t>()});
            }
            return counts;
        });
    } catch (const std::exception& error) {
        failed(error, "counting the outbox");
    }
}

}  // namespace qorvex::hunt::postgres
