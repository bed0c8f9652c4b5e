#pragma once

// A history whose outbox holds what a hunt with two channels leaves behind:
// 23 hits, each with a message per channel; the WeCom bot refused all of
// its messages for good, ntfy took one and the rest wait.

#include <string>

#include "hunt/notify/channel.h"
#include "hunt/notify/channel_key.h"
#include "hunt/sqlite/sqlite_store.h"

namespace qorvex::hunt_test {

inline constexpr const char* kWeComUrl = "wecom://693a91f6-7xxx-4bc4-97a0-0ec2sifa5aaa";
inline constexpr const char* kNtfyUrl = "ntfys://ntfy.example.org/hunt_hits";
inline constexpr int kOutboxHits = 23;
inline constexpr hunt::PhoneNumber kFirstHit = 13800138000;

inline hunt::OutboxChannel outbox_channel(const char* url) {
    const auto parsed = hunt::notify::parse_channel(
        url, [](std::string_view) { return std::optional<std::string>(); });
    return {hunt::notify::channel_key(*parsed.channel), parsed.channel->masked};
}

inline void write_outbox_history(const std::string& path) {
    auto store = hunt::sqlite::SqliteStore::open(path);
    const hunt::OutboxChannel channels[] = {outbox_channel(kWeComUrl), outbox_channel(kNtfyUrl)};
    store->register_channels(channels);
    std::vector<hunt::Sighting> hits;
    for (int i = 0; i < kOutboxHits; ++i) {
        hits.push_back({kFirstHit + i, 1});
    }
    store->record_cycle(
        {"Tavikmax/广东/深圳", 1000, hunt::CycleOutcome::Numbers, kOutboxHits, 50, {}}, hits, 1);
    for (const auto& message : store->waiting_messages(channels[0].key, kOutboxHits)) {
        // Later hits failed later: the newest failure is the last hit's.
        store->mark_failed({{message.id}}, 2'000'000 + message.number - kFirstHit,
                           "errcode 93000: invalid webhook url");
    }
    store->mark_delivered({{store->waiting_messages(channels[1].key, 1).at(0).id}}, 3'000'000);
}

}  // namespace qorvex::hunt_test
