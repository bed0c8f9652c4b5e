#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/runtime_contract_cases.h"
#include "support/runtime_contract_form.h"

// Windows as a whole: modal blocking, destroyed windows, the end of the
// message loop, refused descriptions, message boxes and opened addresses.

namespace qorvex::test::contract {

namespace {

using runtime::WindowMode;
using Events = std::vector<std::string>;

void modal_window_blocks_others_until_destroyed(RuntimeDriver& driver) {
    ContractWindow main(driver);
    EXPECT_TRUE(main.form().window_enabled());
    auto notice = std::make_unique<ContractWindow>(driver, contract_dialog(), WindowMode::Modal);
    ASSERT_TRUE(notice->opened());
    EXPECT_FALSE(main.form().window_enabled());
    EXPECT_TRUE(notice->form().window_enabled());

    main.clear_events();
    EXPECT_FALSE(driver.click(main.form(), "按钮1"));
    EXPECT_FALSE(driver.choose_item(main.form(), "组合框1", 1));
    EXPECT_FALSE(driver.close(main.form()));
    EXPECT_TRUE(main.form().exists());
    notice->form().set_visible("长确定", true);
    EXPECT_TRUE(driver.click(notice->form(), "长确定"));
    driver.process_events();
    EXPECT_EQ(main.events(), Events{});
    EXPECT_EQ(notice->events(), (Events{"window created", "长确定 clicked"}));

    notice->form().destroy();
    EXPECT_TRUE(main.form().window_enabled());
    EXPECT_TRUE(driver.click(main.form(), "按钮1"));
    driver.process_events();
    EXPECT_EQ(main.events(), (Events{"按钮1 clicked"}));
}

void destroyed_window_is_inert(RuntimeDriver& driver) {
    ContractWindow window(driver);
    runtime::Form& form = window.form();
    form.set_timer_period("时钟1", 1000);
    form.destroy();
    window.clear_events();
    EXPECT_FALSE(form.exists());
    // A late result writes into the destroyed window without harm and reads nothing back.
    form.set_text("编辑框1", "13800000001\r\n");
    form.append_text("编辑框1", "13800000002\r\n");
    form.set_selection("组合框1", 1);
    form.add_item("组合框2", "上海");
    form.set_checked("选择框1", true);
    form.set_visible("图形按钮1", true);
    form.set_focus("组合框2");
    form.set_window_size(980, 650);
    form.destroy();
    EXPECT_EQ(form.text("编辑框1"), "");
    EXPECT_EQ(form.text("标签1"), "");
    EXPECT_EQ(form.selection("组合框1"), -1);
    EXPECT_TRUE(form.items("组合框1").empty());
    EXPECT_FALSE(form.checked("单选框1"));
    EXPECT_EQ(form.timer_period("时钟1"), 0);
    EXPECT_FALSE(form.visible("按钮1"));
    EXPECT_FALSE(form.window_enabled());
    EXPECT_EQ(form.window_width(), 0);
    EXPECT_FALSE(driver.click(form, "按钮1"));
    EXPECT_FALSE(driver.tick(form, "时钟1"));
    EXPECT_FALSE(driver.activate(form));
    driver.process_events();
    EXPECT_EQ(window.events(), Events{});
}

void last_window_gone_ends_with_exit_code_zero(RuntimeDriver& driver) {
    auto main = std::make_unique<ContractWindow>(driver);
    auto notice = std::make_unique<ContractWindow>(driver, contract_dialog());
    driver.process_events();
    EXPECT_EQ(driver.exit_code(), std::nullopt);
    EXPECT_TRUE(driver.close(main->form()));
    driver.process_events();
    EXPECT_FALSE(main->form().exists());
    EXPECT_EQ(driver.exit_code(), std::nullopt);
    notice->form().destroy();
    driver.process_events();
    EXPECT_EQ(driver.exit_code(), 0);
}

void window_without_title_bar_cannot_be_closed_by_user(RuntimeDriver& driver) {
    ContractWindow notice(driver, contract_dialog());
    EXPECT_FALSE(driver.close(notice.form()));
    driver.process_events();
    EXPECT_TRUE(notice.form().exists());
    EXPECT_EQ(driver.exit_code(), std::nullopt);
}

void faulty_descriptions_are_refused(RuntimeDriver& driver) {
    using runtime::EventKind;
    const auto ignore = [](const runtime::EventArgs&) {};
    struct Row {
        const char* label;
        std::function<void(runtime::FormDescription&)> change;
        runtime::EventTable events;
    };
    const std::vector<Row> rows{
        {"a name used twice",
         [](runtime::FormDescription& f) { f.components[1].name = f.components[0].name; },
         {}},
        {"a parent that is no group box",
         [](runtime::FormDescription& f) { f.components[0].parent = "按钮1"; },
         {}},
        {"an unknown parent",
         [](runtime::FormDescription& f) { f.components[0].parent = "分组框9"; },
         {}},
        {"a row naming an unknown component", {}, {{"按钮9", EventKind::Clicked, ignore}}},
        {"a button bound to got focus", {}, {{"按钮1", EventKind::GotFocus, ignore}}},
        {"a combo box bound to clicked", {}, {{"组合框1", EventKind::Clicked, ignore}}},
        {"a label bound to button press", {}, {{"标签1", EventKind::LeftButtonPressed, ignore}}},
        {"the window bound to clicked", {}, {{"", EventKind::Clicked, ignore}}},
        {"an empty handler", {}, {{"按钮1", EventKind::Clicked, nullptr}}},
        {"one event bound twice",
         {},
         {{"按钮1", EventKind::Clicked, ignore}, {"按钮1", EventKind::Clicked, ignore}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        runtime::FormDescription form = contract_form();
        if (row.change) {
            row.change(form);
        }
        EXPECT_EQ(driver.runtime().create_window(form, row.events, WindowMode::Normal), nullptr);
    }
    driver.process_events();
    EXPECT_EQ(driver.exit_code(), std::nullopt);
    // The unchanged description with a sound table loads.
    auto form = driver.runtime().create_window(
        contract_form(), {{"按钮1", EventKind::Clicked, ignore}}, WindowMode::Normal);
    ASSERT_NE(form, nullptr);
    form->destroy();
}

void message_boxes_and_addresses_are_recorded(RuntimeDriver& driver) {
    if (!driver.message_boxes() || !driver.opened_urls()) {
        GTEST_SKIP() << "this back end does not record message boxes and addresses";
    }
    ContractWindow window(driver);
    driver.runtime().message_box("网络正常");
    driver.runtime().message_box("运行时出错!\r\n\r\n错误信息：载入启动窗口失败\r\n");
    driver.runtime().open_url("https://example.com/?a=1&b=2");
    EXPECT_EQ(*driver.message_boxes(),
              (Events{"网络正常", "运行时出错!\r\n\r\n错误信息：载入启动窗口失败\r\n"}));
    EXPECT_EQ(*driver.opened_urls(), (Events{"https://example.com/?a=1&b=2"}));
}

// A worker's result that arrives while a message box is open runs beneath
// the box; a modal window it opens through after_message_boxes comes only
// once the box has closed, and then blocks the other windows.
void modal_window_waits_for_the_open_message_box(RuntimeDriver& driver) {
    ContractWindow main(driver);
    std::unique_ptr<ContractWindow> notice;
    bool box_open = false;
    bool ran_beneath_box = false;
    bool opened_beneath_box = false;
    driver.runtime().post([&] {
        ran_beneath_box = box_open;
        driver.runtime().after_message_boxes([&] {
            opened_beneath_box = box_open;
            notice = std::make_unique<ContractWindow>(driver, contract_dialog(), WindowMode::Modal);
        });
    });
    box_open = true;
    driver.runtime().message_box("帮助");
    box_open = false;
    driver.process_events();
    ASSERT_TRUE(notice != nullptr && notice->opened());
    EXPECT_FALSE(opened_beneath_box);
    EXPECT_FALSE(main.form().window_enabled());
    EXPECT_FALSE(driver.click(main.form(), "按钮1"));
    EXPECT_TRUE(notice->form().window_enabled());
    notice.reset();
    EXPECT_TRUE(main.form().window_enabled());
    if (!ran_beneath_box) {
        GTEST_SKIP() << "the message boxes of this back end run no loop of their own";
    }
}

constexpr Case kCases[] = {
    {"ModalWindowBlocksOthersUntilDestroyed", modal_window_blocks_others_until_destroyed},
    {"DestroyedWindowIsInert", destroyed_window_is_inert},
    {"LastWindowGoneEndsWithExitCodeZero", last_window_gone_ends_with_exit_code_zero},
    {"WindowWithoutTitleBarCannotBeClosedByUser",
     window_without_title_bar_cannot_be_closed_by_user},
    {"FaultyDescriptionsAreRefused", faulty_descriptions_are_refused},
    {"MessageBoxesAndAddressesAreRecorded", message_boxes_and_addresses_are_recorded},
    {"ModalWindowWaitsForTheOpenMessageBox", modal_window_waits_for_the_open_message_box},
};

}  // namespace

std::span<const Case> window_cases() {
    return kCases;
}

}  // namespace qorvex::test::contract
