#pragma once

// The program started on a test's runtime: the context with test services and
// the main window opened through the program's own start-up, its creation
// handler run. Windows still open at the end are destroyed before the context
// goes, so that no late event reaches a context that is gone.

#include <vector>

#include "app/app_context.h"
#include "app/event_wiring.h"
#include "runtime/runtime.h"
#include "support/app_fakes.h"

namespace qorvex::test {

class StartedProgram {
public:
    explicit StartedProgram(runtime::Runtime& runtime);
    // Opens the main window with other rows bound, to watch one binding.
    StartedProgram(runtime::Runtime& runtime, std::vector<app::EventWiringRow> rows);
    ~StartedProgram();
    StartedProgram(const StartedProgram&) = delete;
    StartedProgram& operator=(const StartedProgram&) = delete;

    bool opened() const { return m_context.main_window != nullptr; }
    runtime::Form& window() { return *m_context.main_window; }
    app::AppContext& context() { return m_context; }
    AppTestServices& services() { return m_services; }

private:
    AppTestServices m_services;
    app::AppContext m_context;
};

// The rows of the main window with the handler of one event replaced.
std::vector<app::EventWiringRow> main_rows_with(std::string_view component, runtime::EventKind kind,
                                                app::AppHandler handler);

}  // namespace qorvex::test
