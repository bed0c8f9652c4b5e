#include "hunt_cli/outbox_sender.h"

#include <algorithm>

#include "hunt/notify/channel_key.h"
#include "hunt/notify/delivery.h"
#include "hunt/notify/service_limits.h"

namespace qorvex::hunt_cli {
namespace {

namespace notify = qorvex::hunt::notify;
using hunt::TimeMs;
using std::chrono::milliseconds;

// More waiting messages than any digest holds.
constexpr std::size_t kReadAtMost = 64;
// How often a channel with nothing due looks again: a shared history's
// other hunters leave messages behind, and notify-retry puts failed ones
// back, without this hunter storing a hit.
constexpr TimeMs kLookAgainMs = 30'000;
// How long the sender rests after the history refused a read or a mark.
constexpr TimeMs kStoreRestMs = 2'000;
// How often the outbox's counts are read for the status.
constexpr TimeMs kCountsEveryMs = 2'000;
// The window of sends that the services' per-minute rates count.
constexpr TimeMs kRateWindowMs = 60'000;

}  // namespace

struct OutboxSender::ChannelState {
    NamedChannel named;
    std::string key;
    notify::ServiceLimits limits;
    NotifyWorker worker;
    std::deque<TimeMs> recent_sends;          // within the last minute, oldest first
    std::vector<hunt::OutboxMessage> sent;    // the send in flight
    std::optional<notify::Marking> unmarked;  // an answer the history has not taken yet
    TimeMs look_at = 0;                       // when to look at the outbox again; 0: at once
    TimeMs next_due = 0;                      // the last look's next due message; 0: none waiting

    ChannelState(NamedChannel channel, const notify::SendOptions& options)
        : named(std::move(channel)),
          key(notify::channel_key(named.channel)),
          limits(notify::service_limits(named.channel.kind)),
          worker(named.channel.kind, options) {}
};

OutboxSender::OutboxSender(hunt::HuntStore& store, std::vector<NamedChannel> channels,
                           OutboxSettings settings, HuntView& view, hunt::RandomSource random)
    : m_store(store), m_settings(std::move(settings)), m_view(view), m_random(std::move(random)) {
    std::vector<hunt::OutboxChannel> registered;
    for (auto& channel : channels) {
        auto state = std::make_unique<ChannelState>(std::move(channel), m_settings.send);
        // A channel named twice (on the command line and in the file) is
        // one outbox channel: two senders would send its messages twice.
        if (std::any_of(registered.begin(), registered.end(),
                        [&state](const auto& known) { return known.key == state->key; })) {
            continue;
        }
        registered.push_back({state->key, state->named.channel.masked});
        m_channels.push_back(std::move(state));
    }
    m_store.register_channels(registered);
}

OutboxSender::~OutboxSender() = default;

void OutboxSender::hits_stored() {
    for (auto& state : m_channels) {
        state->look_at = 0;
    }
}

void OutboxSender::poll(TimeMs now) {
    for (auto& state : m_channels) {
        poll_channel(*state, now);
    }
    if (now - m_counts_at >= kCountsEveryMs) {
        show_counts(now);
    }
}

bool OutboxSender::busy_until(TimeMs deadline) const {
    return std::any_of(m_channels.begin(), m_channels.end(), [deadline](const auto& state) {
        return state->worker.busy() || state->unmarked || state->look_at == 0 ||
               (state->next_due != 0 && state->next_due <= deadline);
    });
}

// None when the history cannot say now: the counts are read again later,
// and `report` shows them after the hunt.
std::optional<OutboxTotals> OutboxSender::read_totals() {
    OutboxTotals totals;
    try {
        for (const auto& counts : m_store.outbox_counts()) {
            totals.waiting += counts.waiting;
            totals.failed += counts.failed;
        }
    } catch (const hunt::StoreError&) {
        return std::nullopt;
    }
    return totals;
}

std::string OutboxSender::left_over() {
    const auto read = read_totals();
    if (!read) {
        return {};
    }
    const OutboxTotals& totals = *read;
    std::string text;
    if (totals.waiting > 0) {
        text = std::to_string(totals.waiting) +
               (totals.waiting == 1 ? " message waits" : " messages wait") +
               " in the outbox; the next scan with the same channels sends them";
    }
    if (totals.failed > 0) {
        text += (text.empty() ? "" : "; ") + std::to_string(totals.failed) +
                " failed for good; send them again with: " + m_settings.retry_hint;
    }
    return text;
}

void OutboxSender::poll_channel(ChannelState& state, TimeMs now) {
    if (state.worker.busy()) {
        auto outcome = state.worker.outcome(milliseconds(0));
        if (!outcome) {
            return;
        }
        state.unmarked = notify::after_answer(m_settings.retry, outcome->result, state.sent, now,
                                              m_random, state.named.secrets);
        state.look_at = 0;
    }
    if (now < state.look_at) {
        return;
    }
    if (state.unmarked && !write_marking(state, now)) {
        return;
    }
    start_send(state, now);
}

void OutboxSender::start_send(ChannelState& state, TimeMs now) {
    std::vector<hunt::OutboxMessage> waiting;
    try {
        waiting = m_store.waiting_messages(state.key, kReadAtMost);
    } catch (const hunt::StoreError& error) {
        store_refused(error, now, state);
        return;
    }
    while (!state.recent_sends.empty() && state.recent_sends.front() <= now - kRateWindowMs) {
        state.recent_sends.pop_front();
    }
    std::vector<TimeMs> recent(state.recent_sends.begin(), state.recent_sends.end());
    notify::SendPlan plan = notify::plan_send(waiting, recent, state.limits, m_settings.style, now);
    if (!plan.ids.empty()) {
        // Hunters sharing the history and the channel share the service's
        // rate: their sends of the last minute count too. Read only when
        // this hunter would send, so an idle channel costs no query.
        try {
            const auto others = m_store.others_deliveries(state.key, now - kRateWindowMs);
            if (!others.empty()) {
                recent.insert(recent.end(), others.begin(), others.end());
                std::sort(recent.begin(), recent.end());
                plan = notify::plan_send(waiting, recent, state.limits, m_settings.style, now);
            }
        } catch (const hunt::StoreError& error) {
            store_refused(error, now, state);
            return;
        }
    }
    if (plan.ids.empty()) {
        state.next_due = plan.wake_at;
        state.look_at =
            plan.wake_at == 0 ? now + kLookAgainMs : std::min(plan.wake_at, now + kLookAgainMs);
        return;
    }
    state.sent.clear();
    for (const auto& message : waiting) {
        if (std::find(plan.ids.begin(), plan.ids.end(), message.id) != plan.ids.end()) {
            state.sent.push_back(message);
        }
    }
    // The mail's Message-ID names the first message, so that a mail sent
    // again after a crash is recognisable as the same.
    state.worker.start(notify::build_delivery(state.named.channel, plan.message, now,
                                              "outbox-" + std::to_string(plan.ids.front())));
    state.recent_sends.push_back(now);
    state.next_due = now;
}

bool OutboxSender::write_marking(ChannelState& state, TimeMs now) {
    const notify::Marking& marking = *state.unmarked;
    try {
        switch (marking.state) {
            case hunt::OutboxState::Delivered:
                m_store.mark_delivered(marking.ids, marking.at);
                break;
            case hunt::OutboxState::Waiting:
                m_store.mark_retry(marking.ids, marking.failures, marking.at, marking.error);
                break;
            case hunt::OutboxState::Failed:
                m_store.mark_failed(marking.ids, marking.at, marking.error);
                break;
        }
    } catch (const hunt::StoreError& error) {
        return store_refused(error, now, state);
    }
    if (marking.state == hunt::OutboxState::Failed) {
        NotifyFailure failure{
            marking.at, state.named.channel.masked, {}, marking.error, m_settings.retry_hint};
        for (const auto& message : state.sent) {
            failure.numbers.push_back(message.number);
        }
        m_view.notify_failed(failure);
    }
    state.unmarked.reset();
    state.sent.clear();
    m_store_reported = false;
    m_counts_at = 0;
    return true;
}

void OutboxSender::show_counts(TimeMs now) {
    m_counts_at = now;
    if (const auto totals = read_totals()) {
        m_view.outbox(*totals);
    }
}

// Always false: the caller's step did not happen and is tried again after
// a rest. Said once until the history takes a mark again.
bool OutboxSender::store_refused(const hunt::StoreError& error, TimeMs now, ChannelState& state) {
    state.look_at = now + kStoreRestMs;
    if (!m_store_reported) {
        m_view.message(std::string("the outbox waits for the history: ") + error.what());
        m_store_reported = true;
    }
    return false;
}

}  // namespace qorvex::hunt_cli
