#pragma once

// The hunt's history: every number a target's replies held, once per target,
// with its classes, when it was first and last seen and how often; every
// cycle with its outcome; every hit. The hunt talks to it through this
// interface only, in terms of what a hunt does (record a cycle, read a
// target's capture history, read a summary), so that the embedded file store
// and a shared server store can stand behind it alike.
//
// Every call either does all it says or throws StoreError and changes
// nothing: a cycle is stored whole, in one transaction, or not at all.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace qorvex::hunt {

// Milliseconds since 1970-01-01 00:00:00 UTC.
using TimeMs = std::int64_t;

// A phone number as its eleven decimal digits read as an integer.
using PhoneNumber = std::int64_t;

// Bit k-1 is pattern class k (1 … 14, in the window's order); bit 14 is the
// custom pattern (the hunt's --alert-pattern).
using ClassMask = std::uint16_t;
inline constexpr int kClassBitCount = 15;
inline constexpr int kCustomClassBit = 14;

enum class CycleOutcome {
    Numbers,      // the reply held numbers
    Empty,        // a well-formed reply with no numbers: counted, not a ban
    RateLimited,  // the "访问人数过多" page or status 503
    Failed,       // no reply: connection, time-out, TLS or another status
};

std::string_view outcome_name(CycleOutcome outcome);
std::optional<CycleOutcome> outcome_from_name(std::string_view name);

// One distinct number of a reply. A cycle's sightings hold each number once,
// however often the reply repeated it.
struct Sighting {
    PhoneNumber number = 0;
    ClassMask classes = 0;
};

struct CycleRecord {
    std::string target;  // the target's label, "Tavikmax/广东/深圳"
    TimeMs started = 0;
    CycleOutcome outcome = CycleOutcome::Failed;
    int numbers_in_reply = 0;  // extraction matches, repeats included
    int duration_ms = 0;
    std::string error;  // what went wrong; empty for Numbers and Empty
};

struct NewNumber {
    PhoneNumber number = 0;
    ClassMask classes = 0;
    // Stored as a hit by this call. A number that another hunter's call had
    // already made a hit is new here but not a hit again.
    bool hit = false;
};

// What one stored cycle added: the numbers the target had never seen, in
// the order of the sightings.
struct CycleCommit {
    std::vector<NewNumber> new_numbers;
    // False for a cycle a shared store kept aside to store later: what it
    // adds is not known yet, so its reply must not count as all repeats.
    bool stored = true;
    // For every sighting of a number seen before, how many times it had been
    // seen before this cycle: what keeps the capture frequencies current
    // without reading them back.
    std::vector<std::int64_t> repeats;
};

// A cycle that a store could not store at once (a shared store whose server
// was away kept it in its local queue, and record_cycle returned no new
// numbers for it), stored since: what it added, known only now.
struct LateCommit {
    std::string target;
    CycleCommit commit;
    // The late cycle's outcome and the distinct numbers of its reply, for
    // the pool estimate, which counts a reply only once it is stored.
    CycleOutcome outcome = CycleOutcome::Failed;
    std::size_t distinct_numbers = 0;
    // Hits that another hunter's cycle stored and that this hunter's alert
    // set claims: to be alerted here, and nothing more (the numbers count
    // where that cycle's hunter counts them).
    bool alerts_only = false;
};

// What the pool estimate needs of a target: how many distinct numbers it has
// seen; for every cycle that returned numbers, how many distinct numbers
// that cycle's reply held (as a histogram: reply size → cycles); and how
// many numbers were seen in exactly k cycles (times seen k → numbers, the
// capture frequencies f_k, ascending in k).
struct CaptureHistory {
    std::int64_t distinct_numbers = 0;
    std::vector<std::pair<int, std::int64_t>> reply_sizes;
    std::vector<std::pair<std::int64_t, std::int64_t>> frequencies;
};

struct TargetSummary {
    std::string target;
    std::int64_t cycles = 0;
    std::int64_t distinct_numbers = 0;
    std::int64_t hits = 0;
    std::array<std::int64_t, kClassBitCount> numbers_per_class{};
    CaptureHistory capture;
};

struct NumberRow {
    std::string target;
    PhoneNumber number = 0;
    ClassMask classes = 0;
    TimeMs first_seen = 0;
    TimeMs last_seen = 0;
    std::int64_t times_seen = 0;
};

struct NumberFilter {
    std::optional<std::string> target;  // one target's numbers only
    ClassMask any_of_classes = 0;       // 0: every number; else numbers in one of these
    std::optional<TimeMs> first_seen_since;
};

// A channel that this hunter delivers hits to, as the outbox knows it: a key
// that names it without its secrets (a digest of its resolved URL, so that
// hunters given the same --notify share its messages) and the masked URL to
// show.
struct OutboxChannel {
    std::string key;
    std::string shown;
};

// One hit's message for one channel, written in the transaction that stored
// the hit and kept until the service accepted it or refused it for good.
struct OutboxMessage {
    std::int64_t id = 0;
    std::string channel_key;
    std::string target;
    PhoneNumber number = 0;
    ClassMask classes = 0;
    TimeMs first_seen = 0;
    TimeMs created = 0;  // when the hit was stored
    int failures = 0;    // attempts that did not deliver so far
    TimeMs next_attempt = 0;
};

enum class OutboxState { Waiting, Delivered, Failed };

// A message that failed for good, with the service's error (masked).
struct OutboxFailure {
    std::int64_t id = 0;
    std::string channel_shown;
    std::string target;
    PhoneNumber number = 0;
    TimeMs failed_at = 0;
    std::string error;
};

struct OutboxCounts {
    std::string channel_shown;
    std::int64_t waiting = 0;
    std::int64_t delivered = 0;
    std::int64_t failed = 0;
};

class StoreError : public std::runtime_error {
public:
    enum class Kind {
        NewerSchema,  // written by a newer program; nothing was changed
        NotAStore,    // the file or database is not a hunt history
        ReadOnly,     // no write permission
        Busy,         // locked by another program past the wait
        Full,         // the disk or the database is full
        Unreachable,  // the server cannot be reached (shared stores)
        Refused,      // the server refused the login (shared stores)
        Other,
    };
    StoreError(Kind kind, const std::string& message) : std::runtime_error(message), m_kind(kind) {}
    Kind kind() const { return m_kind; }

private:
    Kind m_kind;
};

class HuntStore {
public:
    virtual ~HuntStore() = default;
    HuntStore() = default;
    HuntStore(const HuntStore&) = delete;
    HuntStore& operator=(const HuntStore&) = delete;

    // Stores the cycle and its sightings in one transaction: numbers new to
    // the target are inserted, the others get their last-seen time and count
    // updated (classes are united). A new number in one of `alert_classes` is
    // stored as a hit, decided inside the same transaction.
    virtual CycleCommit record_cycle(const CycleRecord& cycle, std::span<const Sighting> sightings,
                                     ClassMask alert_classes) = 0;

    virtual CaptureHistory capture_history(std::string_view target) = 0;

    // The capture history without its frequencies, which take a read of
    // every number of the target (a quarter of a second at a million):
    // cheap enough for a hunter to see often whether others added cycles.
    virtual CaptureHistory capture_sizes(std::string_view target) {
        return capture_history(target);
    }

    // Numbers that a target first saw since `since`: the yield over a window.
    virtual std::int64_t new_numbers_since(std::string_view target, TimeMs since) = 0;

    // Cycles of a target started since `since`: the pace over a window.
    virtual std::int64_t cycles_since(std::string_view target, TimeMs since) = 0;

    // Every target the store has a cycle of, in label order.
    virtual std::vector<TargetSummary> summaries() = 0;

    // Calls `row` for every stored number that passes the filter, ordered by
    // target, then first seen, then number. Stops early when `row` returns false.
    virtual void for_each_number(const NumberFilter& filter,
                                 const std::function<bool(const NumberRow&)>& row) = 0;

    // Shared stores let one hunter at a time query a target: true when this
    // hunter holds (or now takes, or renews) the target until `until`. A store
    // with a single hunter always grants it.
    virtual bool lease_target(std::string_view target, std::string_view hunter_id, TimeMs now,
                              TimeMs until) = 0;
    virtual void release_targets(std::string_view hunter_id) = 0;

    // The outbox. Every hit stored after this call gets one waiting message
    // per channel of the hunter that alerts it, written in the hit's own
    // transaction. A hunter with no channels registers none.
    virtual void register_channels(std::span<const OutboxChannel> channels) = 0;

    // Waiting messages for this hunter to send on `channel_key`, oldest
    // first, at most `limit`: its own, and those whose hunter is gone. With
    // a shared history no two live hunters are given the same message.
    // Includes messages not yet due; the sender reads next_attempt.
    virtual std::vector<OutboxMessage> waiting_messages(std::string_view channel_key,
                                                        std::size_t limit) = 0;

    // After the service's success answer.
    virtual void mark_delivered(std::span<const std::int64_t> ids, TimeMs when) = 0;

    // After an attempt that did not deliver: try again at `next_attempt`.
    virtual void mark_retry(std::span<const std::int64_t> ids, int failures, TimeMs next_attempt,
                            std::string_view error) = 0;

    // After a refusal for good: kept, with the error, until retried.
    virtual void mark_failed(std::span<const std::int64_t> ids, TimeMs when,
                             std::string_view error) = 0;

    // Failed messages wait again, due at `now`, with no failures counted;
    // all of them, or those of one channel key. Returns how many.
    virtual std::int64_t retry_failed(std::optional<std::string> channel_key, TimeMs now) = 0;

    // When other hunters delivered messages on `channel_key` since `since`,
    // one time per send (a digest's messages share theirs), oldest first:
    // the part of the service's rate that hunters sharing the history and
    // the channel have used already.
    virtual std::vector<TimeMs> others_deliveries(std::string_view channel_key, TimeMs since) = 0;

    virtual std::vector<OutboxFailure> failed_messages(std::size_t limit) = 0;
    virtual std::vector<OutboxCounts> outbox_counts() = 0;
    // What the hunt now does with a target, for the readers of the history
    // (the web page): "scanning", "resting" or "stopped", why, and since
    // when. Only the last state of a target is kept. A target with no cycle
    // stored yet has no state.
    virtual void record_target_state(std::string_view target, std::string_view state,
                                     std::string_view reason, TimeMs since) = 0;

    // Set while the store keeps working in a degraded way (a shared store
    // queueing sightings locally while its server is away): what to show in
    // the status. Empty when all is well.
    virtual std::string degraded_note() const { return {}; }

    // The late commits since the last call, oldest first, for the hunt to
    // show their new numbers and fire their hits' alerts. A store that always
    // stores at once has none.
    virtual std::vector<LateCommit> take_late_commits() { return {}; }
};

}  // namespace qorvex::hunt
