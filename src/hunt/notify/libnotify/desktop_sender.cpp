#include "hunt/notify/libnotify/desktop_sender.h"

#include <libnotify/notify.h>

#include <cstdlib>
#include <mutex>

namespace qorvex::hunt::notify {
namespace {

NotifyUrgency urgency_of(const std::string& name) {
    if (name == "low") {
        return NOTIFY_URGENCY_LOW;
    }
    if (name == "critical") {
        return NOTIFY_URGENCY_CRITICAL;
    }
    return NOTIFY_URGENCY_NORMAL;
}

// libnotify keeps process-wide state; one sender at a time uses it.
std::mutex& libnotify_mutex() {
    static std::mutex mutex;
    return mutex;
}

bool session_bus_named() {
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    const char* runtime_dir = std::getenv("XDG_RUNTIME_DIR");
    return (address != nullptr && *address != '\0') ||
           (runtime_dir != nullptr && *runtime_dir != '\0');
}

}  // namespace

DesktopAnswer show_desktop(const DesktopRequest& request) {
    // Without either, GLib would try to start a bus of its own (dbus-launch),
    // which is no desktop the user looks at.
    if (!session_bus_named()) {
        return {false, "no desktop session bus (DBUS_SESSION_BUS_ADDRESS is not set)"};
    }
    const std::lock_guard lock(libnotify_mutex());
    if (notify_is_initted() == FALSE && notify_init(request.app_name.c_str()) == FALSE) {
        return {false, "libnotify could not start"};
    }
    NotifyNotification* notification =
        notify_notification_new(request.summary.c_str(), request.body.c_str(), nullptr);
    notify_notification_set_urgency(notification, urgency_of(request.urgency));
    GError* error = nullptr;
    const gboolean shown = notify_notification_show(notification, &error);
    g_object_unref(notification);
    if (shown == FALSE) {
        std::string text = error != nullptr ? error->message : "not shown";
        if (error != nullptr) {
            g_error_free(error);
        }
        return {false, "the desktop's notification service did not answer: " + text};
    }
    return {true, {}};
}

}  // namespace qorvex::hunt::notify
