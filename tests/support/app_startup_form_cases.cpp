// The main window as the user finds it right after start-up.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <set>
#include <string>
#include <vector>

#include "support/app_expected_main_window.h"
#include "support/app_started_program.h"
#include "support/app_startup_cases.h"

namespace qorvex::test::startup {
namespace {

using runtime::ComponentDescription;

const ComponentDescription* described(const runtime::Form& form, const std::string& name) {
    const auto& components = form.description().components;
    auto found = std::find_if(components.begin(), components.end(),
                              [&](const ComponentDescription& c) { return c.name == name; });
    return found == components.end() ? nullptr : &*found;
}

std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end = text.find("\r\n"); end != std::string::npos;
         end = text.find("\r\n", start)) {
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    lines.push_back(text.substr(start));
    return lines;
}

void window_is_shrunk_to_980_by_650(RuntimeDriver& driver) {
    StartedProgram program(driver.runtime());
    ASSERT_TRUE(program.opened());
    const runtime::FormDescription& description = program.window().description();
    EXPECT_EQ(description.caption, "Qorvex");
    EXPECT_EQ(description.width, 1200);
    EXPECT_EQ(description.height, 800);
    EXPECT_TRUE(description.centred);
    EXPECT_TRUE(description.style.title_bar);
    EXPECT_TRUE(description.style.minimize_box);
    EXPECT_FALSE(description.style.maximize_box);
    EXPECT_FALSE(description.style.resizable);
    EXPECT_EQ(program.window().window_width(), 980);
    EXPECT_EQ(program.window().window_height(), 650);
}

void every_component_is_as_designed(RuntimeDriver& driver) {
    StartedProgram program(driver.runtime());
    ASSERT_TRUE(program.opened());
    runtime::Form& window = program.window();
    for (const ExpectedComponent& expected : expected_main_window_components()) {
        SCOPED_TRACE(expected.name);
        const ComponentDescription* component = described(window, expected.name);
        ASSERT_NE(component, nullptr);
        ASSERT_TRUE(window.has_component(expected.name));
        EXPECT_EQ(component->type, expected.type);
        EXPECT_EQ(component->parent, expected.parent);
        EXPECT_EQ(component->tab_stop, expected.tab_stop);
        EXPECT_EQ(component->cursor, expected.cursor);
        EXPECT_EQ(component->font.pixel_height, expected.font_height);
        EXPECT_EQ(component->font.face, expected.font_face);
        EXPECT_EQ(component->font.charset,
                  expected.font_height == 0 ? runtime::Charset::Default : runtime::Charset::Gb2312);
        EXPECT_EQ(component->visible, expected.visible);
        if (expected.type != runtime::ComponentType::Timer) {
            EXPECT_EQ(window.visible(expected.name), expected.visible);
            EXPECT_TRUE(window.enabled(expected.name));
        }
        EXPECT_EQ(window.geometry(expected.name), expected.geometry);
        if (expected.text) {
            EXPECT_EQ(window.text(expected.name), *expected.text);
        }
    }
}

void holds_no_component_beyond_the_design(RuntimeDriver& driver) {
    StartedProgram program(driver.runtime());
    ASSERT_TRUE(program.opened());
    std::set<std::string> names;
    for (const ComponentDescription& component : program.window().description().components) {
        EXPECT_TRUE(names.insert(component.name).second) << "twice: " << component.name;
    }
    std::set<std::string> expected;
    for (const ExpectedComponent& component : expected_main_window_components()) {
        expected.insert(component.name);
    }
    EXPECT_EQ(names, expected);
}

void edit_boxes_have_their_styles(RuntimeDriver& driver) {
    StartedProgram program(driver.runtime());
    ASSERT_TRUE(program.opened());
    for (const ExpectedEditStyle& expected : expected_edit_styles()) {
        SCOPED_TRACE(expected.name);
        const ComponentDescription* component = described(program.window(), expected.name);
        ASSERT_NE(component, nullptr);
        EXPECT_EQ(component->edit_style, expected.style);
    }
}

void lists_hold_their_items_with_the_first_selected(RuntimeDriver& driver) {
    StartedProgram program(driver.runtime());
    ASSERT_TRUE(program.opened());
    runtime::Form& window = program.window();

    EXPECT_EQ(window.items("组合框1"), expected_provinces());
    EXPECT_EQ(window.selection("组合框1"), 0);
    EXPECT_EQ(window.items("组合框2"), std::vector<std::string>{"北京"});
    EXPECT_EQ(window.selection("组合框2"), 0);

    const ComponentDescription* cards = described(window, "超级列表框1");
    ASSERT_NE(cards, nullptr);
    EXPECT_EQ(cards->items, expected_card_rows());
    ASSERT_EQ(cards->columns.size(), 1U);
    EXPECT_EQ(cards->columns[0].title, "点击选卡种类");
    EXPECT_EQ(cards->columns[0].width, 145);
    EXPECT_EQ(window.selection("超级列表框1"), 0);
}

void first_radio_button_is_selected(RuntimeDriver& driver) {
    StartedProgram program(driver.runtime());
    ASSERT_TRUE(program.opened());
    EXPECT_TRUE(program.window().checked("单选框1"));
    EXPECT_FALSE(program.window().checked("单选框2"));
    EXPECT_FALSE(program.window().checked("单选框3"));
}

void sample_box_holds_43_distinct_numbers_in_557_bytes(RuntimeDriver& driver) {
    StartedProgram program(driver.runtime());
    ASSERT_TRUE(program.opened());
    const std::string sample = program.window().text("编辑框161");
    EXPECT_EQ(sample.size(), 557U);
    const std::vector<std::string> lines = split_lines(sample);
    ASSERT_EQ(lines.size(), 43U);
    for (const std::string& line : lines) {
        SCOPED_TRACE(line);
        EXPECT_EQ(line.size(), 11U);
        EXPECT_TRUE(
            std::all_of(line.begin(), line.end(), [](char c) { return c >= '0' && c <= '9'; }));
        EXPECT_EQ(line.front(), '1');
    }
    EXPECT_EQ(std::set<std::string>(lines.begin(), lines.end()).size(), 43U);
}

// The shrunk window hides the debugging corner and the scratch box, but the
// program goes on reading and writing them.
void hidden_components_stay_readable_and_writable(RuntimeDriver& driver) {
    StartedProgram program(driver.runtime());
    ASSERT_TRUE(program.opened());
    runtime::Form& window = program.window();
    for (const char* name : {"按钮3", "调试按钮", "时钟1", "编辑框161"}) {
        SCOPED_TRACE(name);
        EXPECT_GE(window.geometry(name).left, window.window_width());
    }
    for (const char* name : {"编辑框161", "数组的电话"}) {
        SCOPED_TRACE(name);
        window.set_text(name, "13800138000\r\n");
        window.append_text(name, "13912345678\r\n");
        EXPECT_EQ(window.text(name), "13800138000\r\n13912345678\r\n");
    }
    window.set_timer_period("时钟1", 5000);
    EXPECT_EQ(window.timer_period("时钟1"), 5000);
    window.set_timer_period("时钟1", 0);
    EXPECT_EQ(window.timer_period("时钟1"), 0);
}

constexpr std::array kFormCases = {
    DriverCase{"WindowIsShrunkTo980By650", window_is_shrunk_to_980_by_650},
    DriverCase{"EveryComponentIsAsDesigned", every_component_is_as_designed},
    DriverCase{"HoldsNoComponentBeyondTheDesign", holds_no_component_beyond_the_design},
    DriverCase{"EditBoxesHaveTheirStyles", edit_boxes_have_their_styles},
    DriverCase{"ListsHoldTheirItemsWithTheFirstSelected",
               lists_hold_their_items_with_the_first_selected},
    DriverCase{"FirstRadioButtonIsSelected", first_radio_button_is_selected},
    DriverCase{"SampleBoxHolds43DistinctNumbersIn557Bytes",
               sample_box_holds_43_distinct_numbers_in_557_bytes},
    DriverCase{"HiddenComponentsStayReadableAndWritable",
               hidden_components_stay_readable_and_writable},
};

}  // namespace

std::span<const DriverCase> form_cases() {
    return kFormCases;
}

}  // namespace qorvex::test::startup
