#pragma once

// Start-up of the program and the opening of its two windows. The platform's
// main() builds the runtime and the services and hands them to run_program;
// the update check opens the notice window through open_notice_window.

#include <string>
#include <string_view>
#include <vector>

#include "app/app_context.h"
#include "app/event_wiring.h"
#include "app/services.h"
#include "runtime/runtime.h"

namespace qorvex::app {

// The exit code when the main window cannot be created.
inline constexpr int kStartWindowFailedExitCode = -1;

// The text of the fatal run-time error report for a failure message.
std::string fatal_error_report(std::string_view message);

// Creates one of the program's windows from its description, binds the given
// rows (those of the window's own event table, normally) and keeps the window
// in the context; the main window opens normally, the notice window as a
// modal one. The context holds the window before its creation handler runs.
// nullptr when the runtime could not create it.
std::shared_ptr<runtime::Form> open_window(AppContext& context, AppWindow window,
                                           std::vector<EventWiringRow> rows);

// Creates the main window with its event table; its creation handler has run
// when this returns. False, with nothing shown, when the runtime could not
// create the window.
bool open_main_window(AppContext& context);

// Opens the update notice window as a modal window: every other window is
// disabled while it exists and enabled again once it is destroyed. False when
// the runtime could not create it.
bool open_notice_window(AppContext& context);

// Creates the main window and runs the message loop until the last window is
// gone; returns the process exit code (0, or -1 after the fatal report when
// the main window cannot be created).
int run_program(runtime::Runtime& runtime, Services services);

}  // namespace qorvex::app
