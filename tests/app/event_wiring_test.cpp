#include "app/event_wiring.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "app/handlers.h"
#include "app/main_window_form.h"
#include "app/notice_window_form.h"
#include "runtime/events.h"

namespace qorvex::app {
namespace {

using runtime::EventKind;
using Handler = void (*)(AppContext&);

struct ExpectedRow {
    AppWindow window;
    std::string component;
    EventKind kind;
    Handler handler;  // nullptr: a clear label, bound with its column
};

std::vector<ExpectedRow> expected_rows() {
    std::vector<ExpectedRow> rows = {
        {AppWindow::Main, "", EventKind::CreationComplete, on_main_window_created},
        {AppWindow::Main, "", EventKind::FirstActivation, on_first_activation},
        {AppWindow::Main, "开始", EventKind::Clicked, on_start_clicked},
        {AppWindow::Main, "停止", EventKind::Clicked, on_stop_clicked},
        {AppWindow::Main, "时钟1", EventKind::PeriodElapsed, on_timer_elapsed},
        {AppWindow::Main, "组合框1", EventKind::ItemSelected, on_province_selected},
        {AppWindow::Main, "组合框2", EventKind::ItemSelected, on_city_chosen},
        {AppWindow::Main, "组合框2", EventKind::GotFocus, on_city_chosen},
        {AppWindow::Main, "超级列表框1", EventKind::RowChanged, on_card_row_changed},
        {AppWindow::Main, "网络测试", EventKind::Clicked, on_network_test_clicked},
        {AppWindow::Main, "查询匹配号", EventKind::Clicked, on_lookup_clicked},
        {AppWindow::Main, "调试按钮", EventKind::Clicked, on_sample_run_clicked},
        {AppWindow::Main, "按钮1", EventKind::Clicked, on_help_clicked},
        {AppWindow::Main, "网络测试1", EventKind::Clicked, on_code_display_clicked},
        {AppWindow::Main, "按钮2", EventKind::Clicked, on_open_application_page_clicked},
        {AppWindow::Notice, "", EventKind::CreationComplete, on_notice_created},
        {AppWindow::Notice, "长确定", EventKind::Clicked, on_notice_confirm_clicked},
    };
    for (int k = 1; k <= 16; ++k) {
        rows.push_back({AppWindow::Main, "透明标签" + std::to_string(k),
                        EventKind::LeftButtonPressed, nullptr});
    }
    return rows;
}

const EventWiringRow* find_row(const std::vector<EventWiringRow>& rows, const ExpectedRow& wanted) {
    auto found = std::find_if(rows.begin(), rows.end(), [&](const EventWiringRow& row) {
        return row.window == wanted.window && row.component == wanted.component &&
               row.kind == wanted.kind;
    });
    return found == rows.end() ? nullptr : &*found;
}

TEST(EventWiring, BindsEveryEventOfBothWindowsToItsHandler) {
    const std::vector<EventWiringRow> rows = event_wiring();
    const std::vector<ExpectedRow> expected = expected_rows();
    EXPECT_EQ(rows.size(), expected.size());
    for (const ExpectedRow& wanted : expected) {
        SCOPED_TRACE(wanted.component.empty() ? "the window" : wanted.component);
        const EventWiringRow* row = find_row(rows, wanted);
        ASSERT_NE(row, nullptr);
        ASSERT_TRUE(row->handler);
        if (wanted.handler != nullptr) {
            const Handler* bound = row->handler.target<Handler>();
            ASSERT_NE(bound, nullptr);
            EXPECT_EQ(*bound, wanted.handler);
        }
    }
}

TEST(EventWiring, EveryRowNamesAComponentThatRaisesItsEvent) {
    for (const EventWiringRow& row : event_wiring()) {
        SCOPED_TRACE(row.component.empty() ? "the window" : row.component);
        const runtime::FormDescription form =
            row.window == AppWindow::Main ? main_window_form() : notice_window_form();
        runtime::ComponentType type = runtime::ComponentType::Window;
        if (!row.component.empty()) {
            auto found = std::find_if(
                form.components.begin(), form.components.end(),
                [&](const runtime::ComponentDescription& c) { return c.name == row.component; });
            ASSERT_NE(found, form.components.end());
            type = found->type;
        }
        EXPECT_TRUE(runtime::type_raises(type, row.kind));
    }
}

TEST(EventWiring, BindsNoEventTwice) {
    std::set<std::tuple<AppWindow, std::string, EventKind>> seen;
    for (const EventWiringRow& row : event_wiring()) {
        EXPECT_TRUE(seen.insert({row.window, row.component, row.kind}).second) << row.component;
    }
}

TEST(EventWiring, SplitsTheTableByWindow) {
    for (AppWindow window : {AppWindow::Main, AppWindow::Notice}) {
        const std::vector<EventWiringRow> rows = event_wiring(window);
        EXPECT_FALSE(rows.empty());
        EXPECT_TRUE(std::all_of(rows.begin(), rows.end(),
                                [&](const EventWiringRow& row) { return row.window == window; }));
    }
    EXPECT_EQ(event_wiring(AppWindow::Main).size() + event_wiring(AppWindow::Notice).size(),
              event_wiring().size());
}

}  // namespace
}  // namespace qorvex::app
