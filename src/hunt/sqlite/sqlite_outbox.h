#pragma once

// The history file's outbox: the channels its hunters deliver to and every
// hit's message for each of them, from the moment the hit is stored to the
// service's answer. The store owns one; hits' messages are written inside
// the store's cycle transaction, so a cycle rolled back leaves none.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "hunt/store.h"

namespace qorvex::hunt::sqlite {

class Connection;
struct OutboxStatements;

class SqliteOutbox {
public:
    // `hunter_id` names the messages this store writes and takes over.
    SqliteOutbox(Connection& connection, std::string hunter_id);
    ~SqliteOutbox();
    SqliteOutbox(const SqliteOutbox&) = delete;
    SqliteOutbox& operator=(const SqliteOutbox&) = delete;

    void register_channels(std::span<const OutboxChannel> channels);

    // Inside the caller's transaction: one waiting message per registered
    // channel for a hit just stored, due at once.
    void add_hit(std::int64_t target_id, PhoneNumber number, ClassMask classes, TimeMs at);

    std::vector<OutboxMessage> waiting_messages(std::string_view channel_key, std::size_t limit);
    void mark_delivered(std::span<const std::int64_t> ids, TimeMs when);
    void mark_retry(std::span<const std::int64_t> ids, int failures, TimeMs next_attempt,
                    std::string_view error);
    void mark_failed(std::span<const std::int64_t> ids, TimeMs when, std::string_view error);
    std::int64_t retry_failed(const std::optional<std::string>& channel_key, TimeMs now);
    std::vector<TimeMs> others_deliveries(std::string_view channel_key, TimeMs since);
    std::vector<OutboxFailure> failed_messages(std::size_t limit);
    std::vector<OutboxCounts> outbox_counts();

private:
    // Hands this channel's waiting messages of gone hunters to this one.
    void take_over_from_gone_hunters(std::string_view channel_key);

    Connection& m_connection;
    std::string m_hunter_id;
    std::unique_ptr<OutboxStatements> m_statements;
    std::vector<std::string> m_channel_keys;
};

}  // namespace qorvex::hunt::sqlite
