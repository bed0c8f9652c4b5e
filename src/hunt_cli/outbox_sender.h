#pragma once

// Delivers the outbox's waiting messages from the hunt's main loop: for
// each channel it reads the waiting messages, lets the notify library
// decide what to send and when, hands the built delivery to the channel's
// worker thread, and marks the answer in the history once it comes back.
// Every store call happens here, on the main thread; poll() never waits for
// a service. A history that refuses a read or a mark for a while (locked,
// or a shared server away) only delays the sending: an answer whose mark
// was refused is kept and written again before the channel sends more.

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "hunt/backoff.h"
#include "hunt/notify/hit_message.h"
#include "hunt/notify/outbox_rules.h"
#include "hunt/notify/send_plan.h"
#include "hunt/store.h"
#include "hunt_cli/hunt_view.h"
#include "hunt_cli/notify_channels.h"
#include "hunt_cli/notify_worker.h"

namespace qorvex::hunt_cli {

struct OutboxSettings {
    hunt::notify::MessageStyle style;
    hunt::notify::SendOptions send;
    hunt::notify::RetryPolicy retry;
    std::string retry_hint;  // the command that sends failed messages again
};

class OutboxSender {
public:
    // Registers the channels with the store, so that every hit stored from
    // now on gets its messages; throws StoreError when the store cannot.
    OutboxSender(hunt::HuntStore& store, std::vector<NamedChannel> channels,
                 OutboxSettings settings, HuntView& view, hunt::RandomSource random);
    ~OutboxSender();
    OutboxSender(const OutboxSender&) = delete;
    OutboxSender& operator=(const OutboxSender&) = delete;

    // New hits were stored: their messages may wait.
    void hits_stored();
    // Takes finished answers, starts due sends; never waits. `now` is wall time.
    void poll(hunt::TimeMs now);
    // Whether some channel still has a send running, an answer to mark, or
    // a waiting message due before `deadline`.
    bool busy_until(hunt::TimeMs deadline) const;
    // At the end of the hunt: what the outbox still holds and what becomes
    // of it; empty when every message was delivered.
    std::string left_over();

    struct ChannelState;

private:
    void poll_channel(ChannelState& state, hunt::TimeMs now);
    void start_send(ChannelState& state, hunt::TimeMs now);
    bool write_marking(ChannelState& state, hunt::TimeMs now);
    void show_counts(hunt::TimeMs now);
    std::optional<OutboxTotals> read_totals();
    bool store_refused(const hunt::StoreError& error, hunt::TimeMs now, ChannelState& state);

    hunt::HuntStore& m_store;
    OutboxSettings m_settings;
    HuntView& m_view;
    hunt::RandomSource m_random;
    std::vector<std::unique_ptr<ChannelState>> m_channels;
    hunt::TimeMs m_counts_at = 0;
    bool m_store_reported = false;
};

}  // namespace qorvex::hunt_cli
