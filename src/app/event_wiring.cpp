#include "app/event_wiring.h"

#include <iterator>
#include <string>

#include "app/handlers.h"
#include "app/pattern_grid_form.h"

namespace qorvex::app {
namespace {

using runtime::EventKind;

constexpr const char* kClearLabelPrefix = "透明标签";

std::vector<EventWiringRow> main_window_rows() {
    std::vector<EventWiringRow> rows = {
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
    };
    // Each "清空" label empties the result box of its own column.
    for (int column = 1; column <= kPatternColumnCount; ++column) {
        rows.push_back({AppWindow::Main, kClearLabelPrefix + std::to_string(column),
                        EventKind::LeftButtonPressed, [column](AppContext& context) {
                            on_clear_label_pressed(context, column);
                        }});
    }
    return rows;
}

std::vector<EventWiringRow> notice_window_rows() {
    return {
        {AppWindow::Notice, "", EventKind::CreationComplete, on_notice_created},
        {AppWindow::Notice, "长确定", EventKind::Clicked, on_notice_confirm_clicked},
    };
}

}  // namespace

std::vector<EventWiringRow> event_wiring() {
    std::vector<EventWiringRow> rows = main_window_rows();
    std::vector<EventWiringRow> notice_rows = notice_window_rows();
    rows.insert(rows.end(), std::make_move_iterator(notice_rows.begin()),
                std::make_move_iterator(notice_rows.end()));
    return rows;
}

std::vector<EventWiringRow> event_wiring(AppWindow window) {
    return window == AppWindow::Main ? main_window_rows() : notice_window_rows();
}

}  // namespace qorvex::app
