#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "support/runtime_contract_cases.h"
#include "support/runtime_contract_form.h"

// Component access by name: every property, exact multi-line text, and loud
// failures for names that do not fit.

namespace qorvex::test::contract {

namespace {

using runtime::ComponentError;
using runtime::Form;

void texts_and_captions_by_name(RuntimeDriver& driver) {
    ContractWindow window(driver);
    ASSERT_TRUE(window.opened());
    struct Row {
        const char* name;
        const char* initial;
        const char* written;
    };
    const std::vector<Row> rows{
        {"编辑框99", "5", "10"},         {"标签1", "查询全部号码", "没有"},
        {"透明标签1", "清空", "已停止"}, {"按钮1", "开始", "停止"},
        {"选择框1", "AAA", "AABB"},      {"单选框1", "包含所有数字", "不带4"},
        {"分组框1", "通用设置", "结果"}, {"编辑框1", "", "13800000001"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(window.form().text(row.name), row.initial);
        window.form().set_text(row.name, row.written);
        EXPECT_EQ(window.form().text(row.name), row.written);
        window.form().set_text(row.name, "");
        EXPECT_EQ(window.form().text(row.name), "");
    }
}

void selections_and_items(RuntimeDriver& driver) {
    ContractWindow window(driver);
    Form& form = window.form();
    EXPECT_EQ(form.selection("组合框1"), 0);
    EXPECT_EQ(form.items("组合框1"), (std::vector<std::string>{"北京", "上海", "广东"}));
    EXPECT_EQ(form.selection("超级列表框1"), -1);
    EXPECT_EQ(form.items("超级列表框1"),
              (std::vector<std::string>{"Tavikmax", "星河梦想e卡", "云朵卡（未上线）"}));

    form.set_selection("组合框1", 2);
    form.set_selection("超级列表框1", 0);
    EXPECT_EQ(form.selection("组合框1"), 2);
    EXPECT_EQ(form.selection("超级列表框1"), 0);

    // An index outside the list selects nothing.
    form.set_selection("组合框1", 3);
    EXPECT_EQ(form.selection("组合框1"), -1);
    form.set_selection("超级列表框1", -7);
    EXPECT_EQ(form.selection("超级列表框1"), -1);
}

void replacing_combo_items(RuntimeDriver& driver) {
    ContractWindow window(driver);
    Form& form = window.form();
    form.clear_items("组合框2");
    EXPECT_TRUE(form.items("组合框2").empty());
    EXPECT_EQ(form.selection("组合框2"), -1);
    // Adding items keeps the order and selects nothing by itself.
    for (const char* city : {"上海", "广州", "深圳"}) {
        form.add_item("组合框2", city);
    }
    EXPECT_EQ(form.items("组合框2"), (std::vector<std::string>{"上海", "广州", "深圳"}));
    EXPECT_EQ(form.selection("组合框2"), -1);
    form.set_selection("组合框2", 1);
    EXPECT_EQ(form.selection("组合框2"), 1);
    EXPECT_TRUE(window.events() == std::vector<std::string>{"window created"});
}

void checked_visible_enabled(RuntimeDriver& driver) {
    ContractWindow window(driver);
    Form& form = window.form();
    EXPECT_FALSE(form.checked("选择框1"));
    form.set_checked("选择框1", true);
    EXPECT_TRUE(form.checked("选择框1"));
    form.set_checked("选择框1", false);
    EXPECT_FALSE(form.checked("选择框1"));

    EXPECT_TRUE(form.checked("单选框1"));
    EXPECT_FALSE(form.checked("单选框2"));
    // Radio buttons sharing a group box exclude each other; 单选框3 sits
    // outside the group and is left alone.
    form.set_checked("单选框3", true);
    form.set_checked("单选框2", true);
    EXPECT_FALSE(form.checked("单选框1"));
    EXPECT_TRUE(form.checked("单选框2"));
    EXPECT_TRUE(form.checked("单选框3"));

    EXPECT_FALSE(form.visible("图形按钮1"));
    form.set_visible("图形按钮1", true);
    EXPECT_TRUE(form.visible("图形按钮1"));
    EXPECT_TRUE(form.enabled("按钮1"));
    form.set_enabled("按钮1", false);
    EXPECT_FALSE(form.enabled("按钮1"));
}

void timer_period_geometry_and_window_size(RuntimeDriver& driver) {
    ContractWindow window(driver);
    Form& form = window.form();
    EXPECT_EQ(form.timer_period("时钟1"), 0);
    form.set_timer_period("时钟1", 5000);
    EXPECT_EQ(form.timer_period("时钟1"), 5000);
    form.set_timer_period("时钟1", 0);
    EXPECT_EQ(form.timer_period("时钟1"), 0);

    // Geometry is relative to the parent: the radio button to its group box.
    EXPECT_EQ(form.geometry("单选框1"), (runtime::Rect{8, 16, 96, 24}));
    EXPECT_EQ(form.geometry("组合框2"), (runtime::Rect{180, 60, 115, 30}));

    EXPECT_TRUE(form.has_component("组合框1"));
    EXPECT_FALSE(form.has_component("组合框9"));
    EXPECT_EQ(form.window_width(), 600);
    EXPECT_EQ(form.window_height(), 500);
    form.set_window_size(580, 450);
    EXPECT_EQ(form.window_width(), 580);
    EXPECT_EQ(form.window_height(), 450);
}

void unknown_or_wrong_type_names_throw(RuntimeDriver& driver) {
    ContractWindow window(driver);
    struct Row {
        const char* label;
        std::function<void(Form&)> access;
    };
    const std::vector<Row> rows{
        {"text of an unknown name", [](Form& f) { (void)f.text("编辑框404"); }},
        {"writing an unknown name", [](Form& f) { f.set_text("编辑框404", "x"); }},
        {"selection of an edit box", [](Form& f) { (void)f.selection("编辑框1"); }},
        {"selecting in a button", [](Form& f) { f.set_selection("按钮1", 0); }},
        {"items of a button", [](Form& f) { (void)f.items("按钮1"); }},
        {"adding a row to a list view", [](Form& f) { f.add_item("超级列表框1", "x"); }},
        {"clearing a label", [](Form& f) { f.clear_items("标签1"); }},
        {"checked state of a combo box", [](Form& f) { (void)f.checked("组合框1"); }},
        {"period of a button", [](Form& f) { (void)f.timer_period("按钮1"); }},
        {"starting a combo box", [](Form& f) { f.set_timer_period("组合框1", 5); }},
        {"appending to a label", [](Form& f) { f.append_text("标签1", "x"); }},
        {"text of a combo box", [](Form& f) { (void)f.text("组合框1"); }},
        {"focus on a label", [](Form& f) { f.set_focus("透明标签1"); }},
        {"focus on an unknown name", [](Form& f) { f.set_focus("组合框9"); }},
        {"visibility of a timer", [](Form& f) { f.set_visible("时钟1", true); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        EXPECT_THROW(row.access(window.form()), ComponentError);
    }
}

struct TextRow {
    const char* label;
    std::vector<std::string> pieces;  // the first is set, the others appended
};

const std::vector<TextRow>& multi_line_rows() {
    static const std::vector<TextRow> rows{
        {"CR LF between lines, none after the last", {"13800000001\r\n13800000002"}},
        {"CR LF after the last line", {"13800000001\r\n13800000002\r\n"}},
        {"lone LF", {"13800000001\n13800000002"}},
        {"lone LF at the end", {"13800000001\n"}},
        {"mixed line ends", {"a\r\nb\nc\r\n\r\nd"}},
        {"blank lines only", {"\r\n\r\n"}},
        {"empty", {""}},
        {"appending lines", {"", "13800000001\r\n", "13800000002\r\n"}},
        {"appending without a final line end", {"13800000001", "\r\n", "13800000002"}},
        {"a line end split over two appends", {"a\r", "\nb"}},
        {"appending a lone LF", {"x\n", "y\n", "z"}},
        {"appending to a text without final line end", {"a\r\nb", "c\r\n"}},
    };
    return rows;
}

void multi_line_text_reads_back_exactly(RuntimeDriver& driver) {
    ContractWindow window(driver);
    for (const char* box : {"编辑框1", "数组的电话"}) {
        for (const TextRow& row : multi_line_rows()) {
            SCOPED_TRACE(std::string(box) + ": " + row.label);
            window.form().set_text(box, row.pieces.front());
            std::string expected = row.pieces.front();
            for (std::size_t i = 1; i < row.pieces.size(); ++i) {
                window.form().append_text(box, row.pieces[i]);
                expected += row.pieces[i];
                EXPECT_EQ(window.form().text(box), expected);
            }
            EXPECT_EQ(window.form().text(box), expected);
        }
    }
}

void single_line_text_reads_back(RuntimeDriver& driver) {
    ContractWindow window(driver);
    for (const char* text : {"5", "2.5", "", "abc 12"}) {
        SCOPED_TRACE(text);
        window.form().set_text("编辑框99", text);
        EXPECT_EQ(window.form().text("编辑框99"), text);
    }
    window.form().set_text("编辑框99", "12");
    window.form().append_text("编辑框99", "34");
    EXPECT_EQ(window.form().text("编辑框99"), "1234");
}

constexpr Case kCases[] = {
    {"TextsAndCaptionsByName", texts_and_captions_by_name},
    {"SelectionsAndItems", selections_and_items},
    {"ReplacingComboItemsSelectsNothing", replacing_combo_items},
    {"CheckedVisibleEnabled", checked_visible_enabled},
    {"TimerPeriodGeometryAndWindowSize", timer_period_geometry_and_window_size},
    {"UnknownOrWrongTypeNamesThrow", unknown_or_wrong_type_names_throw},
    {"MultiLineTextReadsBackExactly", multi_line_text_reads_back_exactly},
    {"SingleLineTextReadsBack", single_line_text_reads_back},
};

}  // namespace

std::span<const Case> component_cases() {
    return kCases;
}

}  // namespace qorvex::test::contract
