#include "hunt/postgres/server_connection.h"

#include <utility>
#include <vector>

namespace qorvex::hunt::postgres {

namespace {

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
     // A new number is the storing hunter's hit when its own alert set
     // ($5) claims it, else the first other live watcher's whose --alert
     // classes ($14: the custom pattern's bit left out, since only the
     // storing hunter read the number with its pattern) claim it.
     "hit AS ("
     " INSERT INTO hits(target_id, number, at, classes, owner, cycle_key, announced)"
     " SELECT $1, s.number, $2, s.classes,"
     " CASE WHEN (s.classes & $5) <> 0 THEN $7 ELSE w.hunter_id END, $6, (s.classes & $5) <> 0"
     " FROM unnest($3::bigint[], $4::integer[]) AS s(number, classes)"
     " JOIN up ON up.number = s.number"
     " LEFT JOIN LATERAL (SELECT w.hunter_id FROM watches w WHERE w.target_id = $1"
     "  AND w.hunter_id <> $7 AND (w.alert_classes & s.classes & $14) <> 0"
     "  AND w.expires > (extract(epoch FROM clock_timestamp()) * 1000)::bigint"
     "  ORDER BY w.hunter_id LIMIT 1) w ON true"
     " WHERE up.inserted AND ((s.classes & $5) <> 0 OR w.hunter_id IS NOT NULL)"
     " ON CONFLICT(target_id, number) DO NOTHING RETURNING number, owner, classes),"
     // Each hit stored here gets one waiting message per channel of its
     // owner, in this same statement, so a hit never goes without its
     // messages nor gets them twice.
     "told AS ("
     " INSERT INTO outbox(owner, channel_key, target_id, number, classes, first_seen, created,"
     " next_attempt)"
     " SELECT hit.owner, c.channel_key, $1, hit.number, hit.classes, $2, now.ms, now.ms"
     " FROM hit JOIN channels c ON c.hunter_id = hit.owner,"
     " (SELECT (extract(epoch FROM clock_timestamp()) * 1000)::bigint AS ms) now"
     " ON CONFLICT(target_id, number, channel_key) DO NOTHING),"
     "fresh AS (SELECT count(*) AS count FROM up WHERE inserted),"
     "cycle AS ("
     " INSERT INTO cycles(cycle_key, hunter_id, target_id, started, outcome, numbers_in_reply,"
     " distinct_numbers, new_numbers, duration_ms, error)"
     " SELECT $6, $7, $1, $2, $8, $9, $10, fresh.count, $11, $12 FROM fresh),"
     "counted AS (UPDATE targets SET distinct_numbers = distinct_numbers + fresh.count"
     " FROM fresh WHERE id = $1),"
     "sized AS (INSERT INTO reply_sizes AS r(target_id, size, cycles) SELECT $1, $10, 1 WHERE $13"
     " ON CONFLICT(target_id, size) DO UPDATE SET cycles = r.cycles + 1) "
     "SELECT up.number, up.inserted, coalesce(hit.owner = $7, false), up.times_seen FROM up "
     "LEFT JOIN hit ON hit.number = up.number"},
    // What a cycle stored before, sent again: the hits it made its hunter's.
    {"replayed_hits",
     "SELECT number, classes FROM hits WHERE cycle_key = $1 AND owner = $2 ORDER BY number"},
    {"hits_to_announce",
     "SELECT h.id, t.label, h.number, h.classes FROM hits h JOIN targets t ON t.id = h.target_id "
     "WHERE h.owner = $1 AND NOT h.announced ORDER BY h.id"},
    {"announced", "UPDATE hits SET announced = true WHERE id = ANY($1::bigint[])"},
    // The lease's expiry is on the server's clock, the one clock all
    // hunters share. Asking for a target, held or not, also tells the
    // server this hunter's alert classes for it until then.
    {"lease",
     "WITH now AS (SELECT (extract(epoch FROM clock_timestamp()) * 1000)::bigint AS ms), "
     "watch AS (INSERT INTO watches AS w(target_id, hunter_id, alert_classes, expires) "
     "SELECT $1, $2, $4, now.ms + $3 FROM now ON CONFLICT(target_id, hunter_id) DO UPDATE "
     "SET alert_classes = excluded.alert_classes, expires = excluded.expires) "
     "INSERT INTO leases AS l(target_id, hunter_id, expires) "
     "SELECT $1, $2, now.ms + $3 FROM now "
     "ON CONFLICT(target_id) DO UPDATE SET hunter_id = excluded.hunter_id, "
     "expires = excluded.expires "
     "WHERE l.hunter_id = excluded.hunter_id OR l.expires <= (SELECT ms FROM now) "
     "RETURNING hunter_id"},
    {"release",
     "WITH unwatched AS (DELETE FROM watches WHERE hunter_id = $1) "
     "DELETE FROM leases WHERE hunter_id = $1"},
    // The outbox. A hunter's channels are replaced whole.
    {"forget_channels", "DELETE FROM channels WHERE hunter_id = $1"},
    {"add_channel",
     "INSERT INTO channels(hunter_id, channel_key, shown) VALUES($1, $2, $3) "
     "ON CONFLICT(hunter_id, channel_key) DO UPDATE SET shown = excluded.shown"},
    // A channel's waiting messages for this hunter: its own, and those of
    // an owner that is gone (no watch or lease of it runs on the server's
    // clock), which become its own. The rows are locked, and rows another
    // hunter has locked are skipped, so two hunters taking over at once
    // never take the same message; the columns come from the locked rows,
    // the newest versions.
    {"outbox_take",
     "WITH now AS (SELECT (extract(epoch FROM clock_timestamp()) * 1000)::bigint AS ms), "
     "taken AS (SELECT o.id, o.owner, o.channel_key, o.target_id, o.number, o.classes,"
     " o.first_seen, o.created, o.failures, o.next_attempt FROM outbox o"
     " WHERE o.channel_key = $1 AND o.state = 'waiting' AND (o.owner = $2 OR ("
     " NOT EXISTS (SELECT 1 FROM watches w, now WHERE w.hunter_id = o.owner AND w.expires > now.ms)"
     " AND NOT EXISTS (SELECT 1 FROM leases l, now WHERE l.hunter_id = o.owner"
     " AND l.expires > now.ms)))"
     " ORDER BY o.id LIMIT $3 FOR UPDATE OF o SKIP LOCKED), "
     "moved AS (UPDATE outbox o SET owner = $2 FROM taken"
     " WHERE o.id = taken.id AND taken.owner <> $2) "
     "SELECT taken.id, taken.channel_key, t.label, taken.number, taken.classes, taken.first_seen,"
     " taken.created, taken.failures, taken.next_attempt FROM taken"
     " JOIN targets t ON t.id = taken.target_id ORDER BY taken.id"},
    // A delivery is a fact whatever became of the message meanwhile; a
    // retry or a refusal changes only a message still waiting.
    {"outbox_delivered",
     "UPDATE outbox SET state = 'delivered', finished = $2, error = '' "
     "WHERE id = ANY($1::bigint[]) AND state <> 'delivered'"},
    {"outbox_retry",
     "UPDATE outbox SET failures = $2, next_attempt = $3, error = $4 "
     "WHERE id = ANY($1::bigint[]) AND state = 'waiting'"},
    {"outbox_failed",
     "UPDATE outbox SET state = 'failed', finished = $2, error = $3 "
     "WHERE id = ANY($1::bigint[]) AND state = 'waiting'"},
    {"outbox_retry_failed",
     "UPDATE outbox SET state = 'waiting', failures = 0, next_attempt = $2, error = '', "
     "finished = NULL WHERE state = 'failed' AND ($1 = '' OR channel_key = $1)"},
    // A channel is shown as any hunter registered it: its key is a digest
    // of its resolved URL, so every registration shows the same.
    // The sends of other hunters on a channel: a digest's messages share
    // their time, so each time is one send.
    {"outbox_others_delivered",
     "SELECT DISTINCT finished FROM outbox WHERE state = 'delivered' AND channel_key = $1 "
     "AND owner <> $2 AND finished > $3 ORDER BY finished"},
    {"outbox_failures",
     "SELECT o.id, coalesce((SELECT min(c.shown) FROM channels c"
     " WHERE c.channel_key = o.channel_key), o.channel_key), t.label, o.number, o.finished,"
     " o.error FROM outbox o JOIN targets t ON t.id = o.target_id WHERE o.state = 'failed' "
     "ORDER BY o.finished DESC, o.id DESC LIMIT $1"},
    {"outbox_counts",
     "SELECT coalesce((SELECT min(c.shown) FROM channels c WHERE c.channel_key = k.channel_key),"
     " k.channel_key) AS shown,"
     " count(o.id) FILTER (WHERE o.state = 'waiting'),"
     " count(o.id) FILTER (WHERE o.state = 'delivered'),"
     " count(o.id) FILTER (WHERE o.state = 'failed') "
     "FROM (SELECT channel_key FROM channels WHERE hunter_id = $1"
     " UNION SELECT channel_key FROM outbox) k LEFT JOIN outbox o ON o.channel_key = k.channel_key "
     "GROUP BY k.channel_key ORDER BY 1"},
    {"record_state",
     "INSERT INTO target_states(target_id, state, reason, since) "
     "SELECT id, $2, $3, $4 FROM targets WHERE label = $1 "
     "ON CONFLICT(target_id) DO UPDATE SET state = excluded.state, "
     "reason = excluded.reason, since = excluded.since"},
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
    // The export walks the targets in label order and each target's
    // numbers in pages along its (target_id, first_seen, number) index, each
    // page starting after the last row of the one before: nothing is sorted
    // again per page, and a million rows never sit in memory at once.
    {"export_targets",
     "SELECT id, label FROM targets WHERE $1 = '' OR label = $1 ORDER BY label COLLATE \"C\""},
    {"export_page",
     "SELECT number, classes, first_seen, last_seen, times_seen FROM numbers "
     "WHERE target_id = $1 AND ($2 = 0 OR (classes & $2) <> 0) "
     "AND (first_seen, number) > ($3, $4) ORDER BY first_seen, number LIMIT 5000"},
};

}  // namespace

std::string with_limits(const std::string& uri, const PostgresOptions& options) {
    std::string result = uri;
    auto add = [&result](const std::string& name, const std::string& value) {
        if (result.find(name + "=") != std::string::npos) {
            return;
        }
        result += (result.find('?') == std::string::npos ? '?' : '&') + name + "=" + value;
    };
    const auto limit_ms = options.statement_limit.count();
    add("connect_timeout", std::to_string(options.connect_timeout.count()));
    add("keepalives", "1");
    add("keepalives_idle", "10");
    add("keepalives_interval", "5");
    add("keepalives_count", "3");
    add("tcp_user_timeout", std::to_string(limit_ms + 1000));
    if (result.find("statement_timeout") == std::string::npos) {
        const std::string timeout = "-cstatement_timeout%3D" + std::to_string(limit_ms);
        const std::size_t given = result.find("options=");
        if (given == std::string::npos) {
            add("options", timeout);
        } else {
            const std::size_t end = result.find('&', given);
            result.insert(end == std::string::npos ? result.size() : end, "%20" + timeout);
        }
    }
    return result;
}

std::unique_ptr<ServerConnection> connect_to(const std::string& uri) {
    auto made = std::make_unique<ServerConnection>(uri);
    for (const auto& [name, sql] : kStatements) {
        made->connection.prepare(name, sql);  // registered on first use
    }
    return made;
}

}  // namespace qorvex::hunt::postgres
