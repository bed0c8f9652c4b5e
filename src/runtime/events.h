#pragma once

// The events that components raise and the handlers bound to them. A handler
// runs on the user-interface thread; an event raised while a handler runs
// (moving the focus, for instance) is dispatched inside the call that raised it.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/form_description.h"

namespace qorvex::runtime {

enum class EventKind {
    CreationComplete,  // the window: after the window and all components exist
    FirstActivation,   // the window: once, the first time it becomes active
    Clicked,           // buttons and picture buttons
    PeriodElapsed,     // timers
    // combo box: the user committed a choice (never for a choice set by the program)
    ItemSelected,
    GotFocus,  // combo box: also when the program moves the focus there
    // list view: the user made another row the current one, or none (never
    // for a row set by the program)
    RowChanged,
    // transparent label: x, y in the label's client coordinates and the key state
    LeftButtonPressed,
};

// Key state bits passed with LeftButtonPressed.
inline constexpr int kKeyCtrl = 1;
inline constexpr int kKeyShift = 2;
inline constexpr int kKeyAlt = 4;

struct EventArgs {
    int x = 0;
    int y = 0;
    int key_state = 0;
};

using EventHandler = std::function<void(const EventArgs&)>;

// One row of a window's event table. An empty component name means the window itself.
struct EventBinding {
    std::string component;
    EventKind kind = EventKind::Clicked;
    EventHandler handler;
};

using EventTable = std::vector<EventBinding>;

// A copy of the handler the table binds to `kind` on `component`, or an
// empty one. A copy, because the handler may destroy the window that owns
// the table.
EventHandler bound_handler(const EventTable& events, std::string_view component, EventKind kind);

// Whether a component of this type raises this event kind at all; the window
// loaders refuse a table row that names an event its component cannot raise.
bool type_raises(ComponentType type, EventKind kind);

}  // namespace qorvex::runtime
