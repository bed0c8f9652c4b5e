#pragma once

// Shows a notification on the user's desktop through libnotify, which hands
// it to the session's notification service over D-Bus. Without a session
// bus (a hunter started over SSH or from a service manager) nothing can be
// shown, and the answer says so instead of pretending.

#include <string>

#include "hunt/notify/delivery.h"

namespace qorvex::hunt::notify {

struct DesktopAnswer {
    bool shown = false;
    std::string error;  // empty when shown
};

DesktopAnswer show_desktop(const DesktopRequest& request);

}  // namespace qorvex::hunt::notify
