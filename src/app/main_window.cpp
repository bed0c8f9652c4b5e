#include "app/main_window.h"

#include <memory>
#include <utility>
#include <vector>

#include "app/event_wiring.h"
#include "app/main_window_form.h"
#include "app/notice_window_form.h"

namespace qorvex::app {
namespace {

constexpr std::string_view kStartWindowFailedMessage = "载入启动窗口失败";

}  // namespace

std::string fatal_error_report(std::string_view message) {
    std::string report = "运行时出错!\r\n\r\n错误信息：";
    report += message;
    report += "\r\n";
    return report;
}

std::shared_ptr<runtime::Form> open_window(AppContext& context, AppWindow window,
                                           std::vector<EventWiringRow> rows) {
    runtime::EventTable table;
    for (EventWiringRow& row : rows) {
        table.push_back({
            .component = std::move(row.component),
            .kind = row.kind,
            .handler = [&context, handler = std::move(row.handler)](
                           const runtime::EventArgs&) { handler(context); },
        });
    }
    const bool is_main = window == AppWindow::Main;
    std::shared_ptr<runtime::Form>& slot = is_main ? context.main_window : context.notice_window;
    // The context holds the window before its creation handler runs, which
    // reaches the window through the context; the runtime shows the window
    // only after that handler has shrunk or filled it.
    return context.runtime.create_window(
        is_main ? main_window_form() : notice_window_form(), std::move(table),
        is_main ? runtime::WindowMode::Normal : runtime::WindowMode::Modal,
        [&slot](const std::shared_ptr<runtime::Form>& made) { slot = made; });
}

bool open_main_window(AppContext& context) {
    return open_window(context, AppWindow::Main, event_wiring(AppWindow::Main)) != nullptr;
}

bool open_notice_window(AppContext& context) {
    return open_window(context, AppWindow::Notice, event_wiring(AppWindow::Notice)) != nullptr;
}

int run_program(runtime::Runtime& runtime, Services services) {
    // The context owns the program-wide state; leaving this function releases it.
    AppContext context(runtime, services);
    if (!open_main_window(context)) {
        runtime.message_box(fatal_error_report(kStartWindowFailedMessage));
        return kStartWindowFailedExitCode;
    }
    return runtime.run();
}

}  // namespace qorvex::app
