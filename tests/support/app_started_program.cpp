#include "support/app_started_program.h"

#include <string_view>
#include <utility>

#include "app/main_window.h"

namespace qorvex::test {

StartedProgram::StartedProgram(runtime::Runtime& runtime)
    : StartedProgram(runtime, app::event_wiring(app::AppWindow::Main)) {}

StartedProgram::StartedProgram(runtime::Runtime& runtime, std::vector<app::EventWiringRow> rows)
    : m_context(runtime, m_services.services()) {
    app::open_window(m_context, app::AppWindow::Main, std::move(rows));
}

StartedProgram::~StartedProgram() {
    for (const auto& window : {m_context.notice_window, m_context.main_window}) {
        if (window && window->exists()) {
            window->destroy();
        }
    }
}

std::vector<app::EventWiringRow> main_rows_with(std::string_view component, runtime::EventKind kind,
                                                app::AppHandler handler) {
    std::vector<app::EventWiringRow> rows = app::event_wiring(app::AppWindow::Main);
    for (app::EventWiringRow& row : rows) {
        if (row.component == component && row.kind == kind) {
            row.handler = std::move(handler);
            break;
        }
    }
    return rows;
}

}  // namespace qorvex::test
