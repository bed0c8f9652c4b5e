#include "app/main_window.h"

#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "app/event_wiring.h"
#include "app/main_window_form.h"
#include "app/notice_window_form.h"

namespace qorvex::app {
namespace {

constexpr std::string_view kStartWindowFailedMessage = "载入启动窗口失败";

// The runtime raises a window's creation-complete event inside create_window,
// before it hands the window back, yet the handlers reach their window through
// the context. Events raised that early wait here and run, in order, as soon
// as the context holds the window.
class EarlyEventGate {
public:
    void pass(std::function<void()> run) {
        if (m_open) {
            run();
        } else {
            m_held.push_back(std::move(run));
        }
    }

    void open() {
        m_open = true;
        std::vector<std::function<void()>> held = std::move(m_held);
        m_held.clear();
        for (const std::function<void()>& run : held) {
            run();
        }
    }

private:
    bool m_open = false;
    std::vector<std::function<void()>> m_held;
};

}  // namespace

std::string fatal_error_report(std::string_view message) {
    std::string report = "运行时出错!\r\n\r\n错误信息：";
    report += message;
    report += "\r\n";
    return report;
}

std::shared_ptr<runtime::Form> open_window(AppContext& context, AppWindow window,
                                           std::vector<EventWiringRow> rows) {
    auto gate = std::make_shared<EarlyEventGate>();
    runtime::EventTable table;
    for (EventWiringRow& row : rows) {
        table.push_back({
            .component = std::move(row.component),
            .kind = row.kind,
            .handler =
                [gate, &context, handler = std::move(row.handler)](const runtime::EventArgs&) {
                    gate->pass([&context, handler] { handler(context); });
                },
        });
    }
    const bool is_main = window == AppWindow::Main;
    std::shared_ptr<runtime::Form> form = context.runtime.create_window(
        is_main ? main_window_form() : notice_window_form(), std::move(table),
        is_main ? runtime::WindowMode::Normal : runtime::WindowMode::Modal);
    if (form) {
        (is_main ? context.main_window : context.notice_window) = form;
        gate->open();
    }
    return form;
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
