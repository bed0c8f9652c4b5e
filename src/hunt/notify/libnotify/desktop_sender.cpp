#include "hunt/notify/libnotify/desktop_sender.h"

#include <libnotify/notify.h>

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string_view>

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

// The session bus is named by DBUS_SESSION_BUS_ADDRESS, or is the socket
// "bus" in the user's runtime folder. Without either GLib would start a bus
// of its own (dbus-launch), on which no desktop listens.
bool session_bus_present() {
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (address != nullptr && *address != '\0') {
        return true;
    }
    const char* runtime_dir = std::getenv("XDG_RUNTIME_DIR");
    std::error_code failed;
    return runtime_dir != nullptr && *runtime_dir != '\0' &&
           std::filesystem::exists(std::filesystem::path(runtime_dir) / "bus", failed);
}

// A service that takes markup in the body would read the link's "&" as the
// start of an entity and show nothing, or a mangled line: the text is
// escaped for such a service and left as it is for the others.
bool body_takes_markup() {
    GList* caps = notify_get_server_caps();
    bool markup = false;
    for (GList* item = caps; item != nullptr; item = item->next) {
        markup = markup || std::string_view(static_cast<const char*>(item->data)) == "body-markup";
    }
    g_list_free_full(caps, g_free);
    return markup;
}

std::string body_for_service(const std::string& body) {
    if (!body_takes_markup()) {
        return body;
    }
    gchar* escaped = g_markup_escape_text(body.c_str(), static_cast<gssize>(body.size()));
    std::string text = escaped;
    g_free(escaped);
    return text;
}

}  // namespace

DesktopAnswer show_desktop(const DesktopRequest& request) {
    if (!session_bus_present()) {
        return {false,
                "no desktop session bus (DBUS_SESSION_BUS_ADDRESS is not set and "
                "$XDG_RUNTIME_DIR/bus does not exist): desktop notifications need a "
                "graphical session"};
    }
    const std::lock_guard lock(libnotify_mutex());
    if (notify_is_initted() == FALSE && notify_init(request.app_name.c_str()) == FALSE) {
        return {false, "libnotify could not start"};
    }
    NotifyNotification* notification = notify_notification_new(
        request.summary.c_str(), body_for_service(request.body).c_str(), nullptr);
    notify_notification_set_urgency(notification, urgency_of(request.urgency));
    GError* error = nullptr;
    const gboolean shown = notify_notification_show(notification, &error);
    g_object_unref(notification);
    if (shown == FALSE) {
        std::string text = error != nullptr ? error->message : "not shown";
        if (error != nullptr) {
            g_error_free(error);
        }
        return {false, "the desktop's notification service did not show it: " + text};
    }
    return {true, {}};
}

}  // namespace qorvex::hunt::notify
