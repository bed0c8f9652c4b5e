#pragma once

// Which handler answers which event of which component: one row per binding,
// for both windows. An event without a row is ignored.

#include <functional>
#include <string>
#include <vector>

#include "app/app_context.h"
#include "runtime/events.h"

namespace qorvex::app {

enum class AppWindow { Main, Notice };

using AppHandler = std::function<void(AppContext&)>;

struct EventWiringRow {
    AppWindow window = AppWindow::Main;
    std::string component;  // empty: the window itself
    runtime::EventKind kind = runtime::EventKind::Clicked;
    AppHandler handler;
};

// Every row of both windows.
std::vector<EventWiringRow> event_wiring();

// The rows of one window.
std::vector<EventWiringRow> event_wiring(AppWindow window);

}  // namespace qorvex::app
