#pragma once

// Carries one built delivery to its service (libcurl for HTTP and SMTP,
// libnotify for the desktop) and reads the answer. Network I/O only: the
// caller may run it on a worker thread.

#include <string>

#include "hunt/notify/answer_reading.h"
#include "hunt/notify/curl/http_sender.h"
#include "hunt/notify/delivery.h"

namespace qorvex::hunt_cli {

struct SendOutcome {
    hunt::notify::DeliveryResult result;
    std::string answer;  // what the service said, as it said it (not masked)
};

SendOutcome send_delivery(const hunt::notify::Delivery& delivery, hunt::notify::ChannelKind kind,
                          const hunt::notify::SendOptions& options);

}  // namespace qorvex::hunt_cli
