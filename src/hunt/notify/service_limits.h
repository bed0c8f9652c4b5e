#pragma once

// What each service accepts: how long a message's text may be and how often
// a channel may send. The figures are the services' documented limits where
// they document one (cited in service_limits.cpp) and this program's own
// cautious choice where they do not.

#include "hunt/notify/channel.h"
#include "hunt/notify/hit_message.h"
#include "hunt/store.h"

namespace qorvex::hunt::notify {

struct ServiceLimits {
    TextLimit text;
    int per_minute = 0;          // sends in any sliding minute
    TimeMs min_interval_ms = 0;  // between two sends of one channel
    // How long the service shuts a channel out after it sent too fast, when
    // it says so only in its documentation and not in its answer.
    TimeMs throttle_ms = 0;
};

ServiceLimits service_limits(ChannelKind kind);

}  // namespace qorvex::hunt::notify
