#include "runtime/form_validation.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "support/runtime_contract_form.h"

// The window loaders of every back end refuse what these checks find; the
// contract suite shows the refusal, these rows show that each fault is named.

namespace qorvex::runtime {
namespace {

const EventHandler kIgnore = [](const EventArgs&) {};

TEST(FormValidation, SoundFormWithEveryEventBoundPasses) {
    const FormDescription form = test::contract_form();
    EventTable events{{"", EventKind::CreationComplete, kIgnore},
                      {"组合框2", EventKind::GotFocus, kIgnore},
                      {"组合框2", EventKind::ItemSelected, kIgnore},
                      {"透明标签1", EventKind::LeftButtonPressed, kIgnore}};
    EXPECT_EQ(find_form_fault(form, events), std::nullopt);
}

TEST(FormValidation, EachFaultIsNamed) {
    struct Row {
        const char* label;
        std::function<void(FormDescription&)> change;
        EventTable events;
        const char* named;  // the fault's sentence names this
    };
    const std::vector<Row> rows{
        {"duplicate name",
         [](FormDescription& f) { f.components[2].name = "编辑框1"; },
         {},
         "'编辑框1' is used twice"},
        {"nameless component",
         [](FormDescription& f) { f.components[3].name.clear(); },
         {},
         "has no name"},
        {"component of the window type",
         [](FormDescription& f) { f.components[3].type = ComponentType::Window; },
         {},
         "标签1"},
        {"parent that is a button",
         [](FormDescription& f) { f.components[0].parent = "按钮1"; },
         {},
         "'按钮1'"},
        {"group box as its own parent",
         [](FormDescription& f) { f.components[9].parent = "分组框1"; },
         {},
         "'分组框1'"},
        {"combo box selecting past its items",
         [](FormDescription& f) { f.components[15].selected_index = 1; },
         {},
         "组合框2"},
        {"edit box with a selection",
         [](FormDescription& f) { f.components[0].selected_index = 0; },
         {},
         "编辑框1"},
        {"negative timer period",
         [](FormDescription& f) { f.components[17].timer_period_ms = -5; },
         {},
         "时钟1"},
        {"unknown component in the table",
         {},
         {{"组合框3", EventKind::GotFocus, kIgnore}},
         "'组合框3'"},
        {"event the type never raises",
         {},
         {{"选择框1", EventKind::Clicked, kIgnore}},
         "'选择框1'"},
        {"window event on the window", {}, {{"", EventKind::PeriodElapsed, kIgnore}}, "the window"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        FormDescription form = test::contract_form();
        if (row.change) {
            row.change(form);
        }
        const std::optional<std::string> fault = find_form_fault(form, row.events);
        ASSERT_TRUE(fault.has_value());
        EXPECT_NE(fault->find(row.named), std::string::npos) << *fault;
    }
}

TEST(FormValidation, FindComponentByName) {
    const FormDescription form = test::contract_form();
    const ComponentDescription* found = find_component(form, "单选框2");
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->parent, "分组框1");
    EXPECT_EQ(find_component(form, "单选框9"), nullptr);
}

}  // namespace
}  // namespace qorvex::runtime
