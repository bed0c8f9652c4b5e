#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/runtime_contract_cases.h"
#include "support/runtime_contract_form.h"

// Which user actions and program calls raise which events, and when.

namespace qorvex::test::contract {

namespace {

using Events = std::vector<std::string>;

void creation_complete_raised_once(RuntimeDriver& driver) {
    ContractWindow window(driver);
    driver.process_events();
    EXPECT_EQ(window.events(), (Events{"window created"}));
}

void selection_from_program_raises_nothing(RuntimeDriver& driver) {
    ContractWindow window(driver);
    window.clear_events();
    window.form().set_selection("组合框1", 2);
    window.form().set_selection("组合框2", -1);
    window.form().set_selection("超级列表框1", 1);
    window.form().clear_items("组合框2");
    window.form().add_item("组合框2", "上海");
    window.form().set_selection("组合框2", 0);
    driver.process_events();
    EXPECT_EQ(window.events(), Events{});
}

void user_choice_raises_item_selected(RuntimeDriver& driver) {
    ContractWindow window(driver);
    window.clear_events();
    // Opening the list moves the focus first; the handler of the choice sees the new item.
    ASSERT_TRUE(driver.choose_item(window.form(), "组合框1", 2));
    driver.process_events();
    EXPECT_EQ(window.events(), (Events{"组合框1 got focus 0", "组合框1 selected 2"}));
    EXPECT_EQ(window.form().selection("组合框1"), 2);

    window.clear_events();
    ASSERT_TRUE(driver.choose_item(window.form(), "组合框1", 1));
    driver.process_events();
    EXPECT_EQ(window.events(), (Events{"组合框1 selected 1"}));
}

void user_row_choice_raises_row_changed(RuntimeDriver& driver) {
    ContractWindow window(driver);
    window.clear_events();
    // Each click is followed by the events it causes; the row already
    // current raises nothing.
    for (const int row : {1, 1, 2, 0}) {
        ASSERT_TRUE(driver.choose_row(window.form(), "超级列表框1", row)) << row;
        driver.process_events();
    }
    EXPECT_EQ(window.events(),
              (Events{"超级列表框1 row 1", "超级列表框1 row 2", "超级列表框1 row 0"}));
    EXPECT_EQ(window.form().selection("超级列表框1"), 0);
}

void set_focus_raises_got_focus_before_returning(RuntimeDriver& driver) {
    ContractWindow window(driver);
    window.clear_events();
    window.form().set_focus("组合框2");
    EXPECT_EQ(window.events(), (Events{"组合框2 got focus 0"}));

    // Focus that does not move raises nothing; moving it back raises again.
    window.form().set_focus("组合框2");
    window.form().set_focus("按钮1");
    driver.process_events();
    EXPECT_EQ(window.events(), (Events{"组合框2 got focus 0"}));
    window.form().set_selection("组合框2", -1);
    window.form().set_focus("组合框2");
    EXPECT_EQ(window.events(), (Events{"组合框2 got focus 0", "组合框2 got focus -1"}));
}

void user_focus_raises_got_focus(RuntimeDriver& driver) {
    ContractWindow window(driver);
    window.clear_events();
    ASSERT_TRUE(driver.focus(window.form(), "组合框1"));
    ASSERT_TRUE(driver.focus(window.form(), "编辑框99"));
    ASSERT_TRUE(driver.focus(window.form(), "组合框2"));
    driver.process_events();
    EXPECT_EQ(window.events(), (Events{"组合框1 got focus 0", "组合框2 got focus 0"}));
}

void first_activation_raised_once(RuntimeDriver& driver) {
    ContractWindow window(driver);
    ContractWindow other(driver, contract_dialog());
    window.clear_events();
    ASSERT_TRUE(driver.activate(window.form()));
    ASSERT_TRUE(driver.activate(other.form()));
    ASSERT_TRUE(driver.activate(window.form()));
    driver.process_events();
    EXPECT_EQ(window.events(), (Events{"window first activation"}));
    EXPECT_EQ(other.events(), (Events{"window created", "window first activation"}));
}

void timer_ticks_only_while_running(RuntimeDriver& driver) {
    ContractWindow window(driver);
    window.clear_events();
    EXPECT_FALSE(driver.tick(window.form(), "时钟1"));
    window.form().set_timer_period("时钟1", 5000);
    EXPECT_TRUE(driver.tick(window.form(), "时钟1"));
    window.form().set_timer_period("时钟1", 0);
    EXPECT_FALSE(driver.tick(window.form(), "时钟1"));
    driver.process_events();
    EXPECT_EQ(window.events(), (Events{"时钟1 elapsed"}));
}

void left_button_press_carries_position_and_keys(RuntimeDriver& driver) {
    ContractWindow window(driver);
    window.clear_events();
    const int keys = runtime::kKeyCtrl | runtime::kKeyShift;
    EXPECT_TRUE(driver.press_label(window.form(), "透明标签1", 3, 4, keys));
    EXPECT_TRUE(driver.press_label(window.form(), "透明标签1", 24, 19, runtime::kKeyAlt));
    // Outside the 25 x 20 label nothing is raised.
    EXPECT_FALSE(driver.press_label(window.form(), "透明标签1", 25, 4, 0));
    driver.process_events();
    EXPECT_EQ(window.events(), (Events{"透明标签1 pressed 3,4,3", "透明标签1 pressed 24,19,4"}));
}

void clicks_on_buttons_check_boxes_and_radio_buttons(RuntimeDriver& driver) {
    ContractWindow window(driver);
    window.clear_events();
    EXPECT_TRUE(driver.click(window.form(), "按钮1"));
    EXPECT_TRUE(driver.click(window.form(), "按钮3"));
    EXPECT_TRUE(driver.click(window.form(), "选择框1"));
    EXPECT_TRUE(driver.click(window.form(), "单选框2"));
    driver.process_events();
    EXPECT_EQ(window.events(), (Events{"按钮1 clicked", "按钮3 clicked"}));
    EXPECT_TRUE(window.form().checked("选择框1"));
    EXPECT_TRUE(window.form().checked("单选框2"));
    EXPECT_FALSE(window.form().checked("单选框1"));
    EXPECT_FALSE(window.form().checked("单选框3"));
}

void hidden_or_disabled_components_take_no_action(RuntimeDriver& driver) {
    ContractWindow window(driver);
    runtime::Form& form = window.form();
    struct Row {
        const char* label;
        const char* component;  // hidden or disabled
        bool hide;
        const char* target;  // what the user then tries to click
    };
    const std::vector<Row> rows{
        {"hidden button", "按钮2", true, "按钮2"},
        {"disabled button", "按钮2", false, "按钮2"},
        {"button in a hidden group box", "分组框1", true, "按钮3"},
        {"button in a disabled group box", "分组框1", false, "按钮3"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        window.clear_events();
        if (row.hide) {
            form.set_visible(row.component, false);
        } else {
            form.set_enabled(row.component, false);
        }
        EXPECT_FALSE(driver.click(form, row.target));
        driver.process_events();
        EXPECT_EQ(window.events(), Events{});
        form.set_visible(row.component, true);
        form.set_enabled(row.component, true);
        EXPECT_TRUE(driver.click(form, row.target));
    }
    window.clear_events();
    EXPECT_FALSE(driver.click(form, "图形按钮1"));
    form.set_visible("图形按钮1", true);
    EXPECT_TRUE(driver.click(form, "图形按钮1"));
    form.set_enabled("组合框1", false);
    EXPECT_FALSE(driver.choose_item(form, "组合框1", 1));
    EXPECT_EQ(form.selection("组合框1"), 0);
    driver.process_events();
    EXPECT_EQ(window.events(), (Events{"图形按钮1 clicked"}));
}

constexpr Case kCases[] = {
    {"CreationCompleteRaisedOnce", creation_complete_raised_once},
    {"SelectionFromProgramRaisesNothing", selection_from_program_raises_nothing},
    {"UserChoiceRaisesItemSelected", user_choice_raises_item_selected},
    {"UserRowChoiceRaisesRowChanged", user_row_choice_raises_row_changed},
    {"SetFocusRaisesGotFocusBeforeReturning", set_focus_raises_got_focus_before_returning},
    {"UserFocusRaisesGotFocus", user_focus_raises_got_focus},
    {"FirstActivationRaisedOnce", first_activation_raised_once},
    {"TimerTicksOnlyWhileRunning", timer_ticks_only_while_running},
    {"LeftButtonPressCarriesPositionAndKeys", left_button_press_carries_position_and_keys},
    {"ClicksOnButtonsCheckBoxesAndRadioButtons", clicks_on_buttons_check_boxes_and_radio_buttons},
    {"HiddenOrDisabledComponentsTakeNoAction", hidden_or_disabled_components_take_no_action},
};

}  // namespace

std::span<const Case> event_cases() {
    return kCases;
}

}  // namespace qorvex::test::contract
