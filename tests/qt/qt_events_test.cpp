// When the Qt back end raises events: a choice after its list has closed, a
// keyboard or wheel change of a closed list, got-focus on an inactive
// window, real timer periods, button presses with their modifier keys, and
// handlers that destroy their own window.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QPointer>
#include <QTest>
#include <QWheelEvent>
#include <QWindow>
#include <functional>

#include "qt/qt_driver.h"
#include "qt/qt_test_forms.h"
#include "runtime/qt/qt_form.h"
#include "support/runtime_contract_form.h"

namespace qorvex::test {
namespace {

using namespace std::chrono_literals;
using runtime::ComponentType;
using Events = std::vector<std::string>;

runtime::ComponentDescription provinces() {
    auto list = qt_component("组合框1", ComponentType::ComboBox, {180, 30, 115, 30});
    list.items = {"北京", "上海", "广东"};
    list.selected_index = 0;
    return list;
}

TEST(QtEvents, ChoiceIsHandledAfterTheListHasClosed) {
    QtDriver driver;
    bool list_open_in_handler = true;
    int selection_in_handler = -1;
    std::shared_ptr<runtime::Form> form;
    form = driver.runtime().create_window(
        qt_test_form({provinces()}),
        {{"组合框1", runtime::EventKind::ItemSelected,
          [&](const runtime::EventArgs&) {
              auto* list = qobject_cast<QComboBox*>(qt_form(*form).widget("组合框1"));
              list_open_in_handler = list->view()->isVisible();
              selection_in_handler = form->selection("组合框1");
          }}},
        runtime::WindowMode::Normal);
    ASSERT_TRUE(driver.choose_item(*form, "组合框1", 2));
    driver.process_events();
    EXPECT_FALSE(list_open_in_handler);
    EXPECT_EQ(selection_in_handler, 2);
    form->destroy();
}

// As on Win32, a change of a closed list with the keyboard or the wheel is a
// committed choice: the province shown is always the province picked.
TEST(QtEvents, KeyboardAndWheelChangesOfAClosedListRaiseItemSelected) {
    QtDriver driver;
    ContractWindow window(driver, qt_test_form({provinces()}));
    ASSERT_TRUE(driver.focus(window.form(), "组合框1"));
    driver.process_events();
    QWidget* list = qt_form(window.form()).widget("组合框1");
    const auto turn_wheel = [list](int degrees) {
        const QPointF inside(list->width() / 2.0, list->height() / 2.0);
        QWheelEvent wheel(inside, list->mapToGlobal(inside), QPoint(), QPoint(0, degrees * 8),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(list, &wheel);
    };
    struct Change {
        const char* label;
        std::function<void()> act;
        int selection;
    };
    const Change changes[] = {
        {"down arrow", [list] { QTest::keyClick(list, Qt::Key_Down); }, 1},
        {"wheel turned down", [&] { turn_wheel(-15); }, 2},
        {"wheel turned up", [&] { turn_wheel(15); }, 1},
        {"up arrow", [list] { QTest::keyClick(list, Qt::Key_Up); }, 0},
    };
    for (const Change& change : changes) {
        SCOPED_TRACE(change.label);
        window.clear_events();
        change.act();
        driver.process_events();
        EXPECT_EQ(window.events(),
                  (Events{"组合框1 selected " + std::to_string(change.selection)}));
        EXPECT_EQ(window.form().selection("组合框1"), change.selection);
    }
}

TEST(QtEvents, SetFocusOnAnInactiveWindowRaisesGotFocusOnce) {
    // The edit box comes first: it takes the focus whenever the window is activated.
    auto edit = qt_component("编辑框99", ComponentType::EditBox, {10, 10, 30, 30}, "5");
    QtDriver driver;
    ContractWindow window(driver, qt_test_form({edit, provinces()}));
    ContractWindow other(driver, qt_test_form({}));
    ASSERT_TRUE(driver.activate(other.form()));
    window.clear_events();

    window.form().set_focus("组合框1");
    EXPECT_EQ(window.events(), Events{"组合框1 got focus 0"});
    // Qt hands the focus over when the window becomes active; that is the
    // same move of the focus and is not reported again.
    ASSERT_TRUE(driver.activate(window.form()));
    driver.process_events();
    EXPECT_TRUE(qt_form(window.form()).widget("组合框1")->hasFocus());
    EXPECT_EQ(window.events(), (Events{"组合框1 got focus 0", "window first activation"}));
}

TEST(QtEvents, TimerTicksOnItsPeriodUntilStopped) {
    auto timer = qt_component("时钟1", ComponentType::Timer, {560, 8, 26, 26});
    QtDriver driver;
    ContractWindow window(driver, qt_test_form({timer}));
    window.form().set_timer_period("时钟1", 10);
    const auto ticks = [&window]() {
        return std::count(window.events().begin(), window.events().end(), "时钟1 elapsed");
    };
    EXPECT_TRUE(driver.wait_until([&]() { return ticks() >= 3; }, 5s));
    window.form().set_timer_period("时钟1", 0);
    const auto stopped_at = ticks();
    QTest::qWait(60);
    EXPECT_EQ(ticks(), stopped_at);
}

TEST(QtEvents, ButtonPressCarriesPositionAndModifierKeys) {
    struct Row {
        const char* label;
        int x;
        int y;
        int keys;
    };
    const std::vector<Row> rows{
        {"no keys", 0, 1, 0},
        {"Ctrl", 5, 6, runtime::kKeyCtrl},
        {"Shift", 10, 2, runtime::kKeyShift},
        {"Alt", 24, 19, runtime::kKeyAlt},
        {"Ctrl Shift Alt", 12, 12, runtime::kKeyCtrl | runtime::kKeyShift | runtime::kKeyAlt},
    };
    auto label =
        qt_component("透明标签1", ComponentType::TransparentLabel, {100, 10, 25, 20}, "清空");
    QtDriver driver;
    ContractWindow window(driver, qt_test_form({label}));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        window.clear_events();
        EXPECT_TRUE(driver.press_label(window.form(), "透明标签1", row.x, row.y, row.keys));
        const std::string expected = "透明标签1 pressed " + std::to_string(row.x) + "," +
                                     std::to_string(row.y) + "," + std::to_string(row.keys);
        EXPECT_EQ(window.events(), Events{expected});
    }
    // The right button raises nothing.
    window.clear_events();
    QWidget& widget = *qt_form(window.form()).widget("透明标签1");
    QWindow& platform_window = *widget.window()->windowHandle();
    QTest::mouseClick(&platform_window, Qt::RightButton, {}, QPoint(105, 15));
    EXPECT_EQ(window.events(), Events{});
}

TEST(QtEvents, HandlerMayDestroyItsOwnWindow) {
    QtDriver driver;
    std::shared_ptr<runtime::Form> form;
    form = driver.runtime().create_window(
        qt_test_form({qt_component("按钮1", ComponentType::Button, {10, 10, 70, 30}, "确定")}),
        {{"按钮1", runtime::EventKind::Clicked, [&](const auto&) { form->destroy(); }}},
        runtime::WindowMode::Normal);
    QPointer<QWidget> button = qt_form(*form).widget("按钮1");
    EXPECT_TRUE(driver.click(*form, "按钮1"));
    EXPECT_FALSE(form->exists());
    driver.process_events();
    EXPECT_TRUE(button.isNull());
    EXPECT_EQ(driver.exit_code(), 0);
}

TEST(QtEvents, ChoiceQueuedBeforeTheWindowGoesIsDropped) {
    QtDriver driver;
    ContractWindow window(driver, qt_test_form({provinces()}));
    window.clear_events();
    auto* list = qobject_cast<QComboBox*>(qt_form(window.form()).widget("组合框1"));
    // The list reports a choice; its handler waits in the event queue.
    emit list->activated(1);
    window.form().destroy();
    driver.process_events();
    EXPECT_EQ(window.events(), Events{});
}

}  // namespace
}  // namespace qorvex::test
