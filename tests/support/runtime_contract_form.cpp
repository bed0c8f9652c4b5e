#include "support/runtime_contract_form.h"

#include <array>
#include <cstdint>

namespace qorvex::test {

namespace {

using runtime::ComponentDescription;
using runtime::ComponentType;
using runtime::EditStyle;
using runtime::EventKind;

// A valid 4 x 2 PNG, enough for a picture button to draw something.
constexpr std::array<std::uint8_t, 73> kPicture{
    0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48, 0x44,
    0x52, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x02, 0x08, 0x02, 0x00, 0x00, 0x00, 0xf0,
    0xca, 0xea, 0x34, 0x00, 0x00, 0x00, 0x10, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9c, 0x63, 0x50,
    0x48, 0x38, 0x00, 0x47, 0x0c, 0xc8, 0x1c, 0x00, 0x7d, 0x1a, 0x0a, 0x01, 0xd7, 0x12, 0xd8,
    0x86, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};

ComponentDescription component(std::string name, ComponentType type, runtime::Rect geometry,
                               std::string text = {}) {
    ComponentDescription result;
    result.name = std::move(name);
    result.type = type;
    result.geometry = geometry;
    result.text = std::move(text);
    result.tab_stop = type != ComponentType::Label && type != ComponentType::TransparentLabel &&
                      type != ComponentType::GroupBox && type != ComponentType::Timer;
    return result;
}

ComponentDescription edit_box(std::string name, runtime::Rect geometry, EditStyle style,
                              std::string text = {}) {
    ComponentDescription result =
        component(std::move(name), ComponentType::EditBox, geometry, std::move(text));
    result.edit_style = style;
    return result;
}

ComponentDescription picture_button(std::string name, runtime::Rect geometry) {
    ComponentDescription result =
        component(std::move(name), ComponentType::PictureButton, geometry);
    result.visible = false;
    result.cursor = runtime::CursorShape::Hand;
    result.pictures.assign(3, std::span<const std::uint8_t>(kPicture));
    return result;
}

ComponentDescription in_group(ComponentDescription child) {
    child.parent = "分组框1";
    return child;
}

ComponentDescription with_items(ComponentDescription list, std::vector<std::string> items,
                                int selected) {
    list.items = std::move(items);
    list.selected_index = selected;
    return list;
}

const char* event_word(EventKind kind) {
    switch (kind) {
        case EventKind::CreationComplete:
            return "created";
        case EventKind::FirstActivation:
            return "first activation";
        case EventKind::Clicked:
            return "clicked";
        case EventKind::PeriodElapsed:
            return "elapsed";
        case EventKind::ItemSelected:
            return "selected";
        case EventKind::GotFocus:
            return "got focus";
        case EventKind::LeftButtonPressed:
            return "pressed";
        case EventKind::RowChanged:
            return "row";
    }
    return "?";
}

}  // namespace

runtime::FormDescription contract_form() {
    runtime::FormDescription form;
    form.name = "contract";
    form.caption = "Qorvex";
    form.width = 600;
    form.height = 500;
    ComponentDescription checked_radio =
        in_group(component("单选框1", ComponentType::RadioButton, {8, 16, 96, 24}, "包含所有数字"));
    checked_radio.checked = true;
    ComponentDescription list =
        with_items(component("超级列表框1", ComponentType::ListView, {10, 330, 150, 150}),
                   {"Tavikmax", "星河梦想e卡", "云朵卡（未上线）"}, -1);
    list.columns = {{"点击选卡种类", 145}};
    ComponentDescription timer = component("时钟1", ComponentType::Timer, {560, 8, 26, 26});
    timer.visible = false;
    form.components = {
        edit_box("编辑框1", {10, 10, 115, 180}, EditStyle::MultiLineWithScrollBar),
        edit_box("数组的电话", {130, 10, 115, 60}, EditStyle::MultiLinePlain),
        edit_box("编辑框99", {250, 10, 30, 30}, EditStyle::SingleLine, "5"),
        component("标签1", ComponentType::Label, {300, 10, 100, 24}, "查询全部号码"),
        component("透明标签1", ComponentType::TransparentLabel, {400, 10, 25, 20}, "清空"),
        component("按钮1", ComponentType::Button, {10, 200, 70, 30}, "开始"),
        component("按钮2", ComponentType::Button, {90, 200, 70, 30}, "停止"),
        picture_button("图形按钮1", {170, 200, 120, 30}),
        component("选择框1", ComponentType::CheckBox, {300, 200, 80, 20}, "AAA"),
        component("分组框1", ComponentType::GroupBox, {10, 240, 240, 80}, "通用设置"),
        checked_radio,
        in_group(component("单选框2", ComponentType::RadioButton, {104, 16, 56, 24}, "不带4")),
        in_group(component("按钮3", ComponentType::Button, {8, 48, 60, 24}, "查询")),
        component("单选框3", ComponentType::RadioButton, {260, 240, 72, 24}, "其他"),
        with_items(component("组合框1", ComponentType::ComboBox, {180, 30, 115, 30}),
                   {"北京", "上海", "广东"}, 0),
        with_items(component("组合框2", ComponentType::ComboBox, {180, 60, 115, 30}), {"北京"}, 0),
        list,
        timer,
    };
    return form;
}

runtime::FormDescription contract_dialog() {
    runtime::FormDescription form;
    form.name = "notice";
    form.width = 380;
    form.height = 250;
    form.style.title_bar = false;
    form.style.minimize_box = false;
    form.components = {
        component("透明标签2", ComponentType::TransparentLabel, {10, 40, 360, 115}),
        picture_button("长确定", {112, 184, 120, 30}),
    };
    return form;
}

ContractWindow::ContractWindow(RuntimeDriver& driver, const runtime::FormDescription& description,
                               runtime::WindowMode mode)
    : m_form(driver.runtime().create_window(description, bind_every_event(description), mode)) {}

ContractWindow::ContractWindow(RuntimeDriver& driver) : ContractWindow(driver, contract_form()) {}

ContractWindow::~ContractWindow() {
    if (m_form) {
        m_form->destroy();
    }
}

void ContractWindow::record(const std::string& component, const std::string& entry) {
    std::string line = (component.empty() ? std::string("window") : component) + " " + entry;
    m_events.push_back(std::move(line));
}

runtime::EventTable ContractWindow::bind_every_event(const runtime::FormDescription& description) {
    runtime::EventTable table;
    for (EventKind kind : {EventKind::CreationComplete, EventKind::FirstActivation}) {
        table.push_back(
            {"", kind, [this, kind](const runtime::EventArgs&) { record("", event_word(kind)); }});
    }
    for (const ComponentDescription& source : description.components) {
        for (EventKind kind :
             {EventKind::Clicked, EventKind::PeriodElapsed, EventKind::ItemSelected,
              EventKind::GotFocus, EventKind::LeftButtonPressed, EventKind::RowChanged}) {
            if (!runtime::type_raises(source.type, kind)) {
                continue;
            }
            const std::string name = source.name;
            table.push_back(
                {name, kind, [this, name, kind](const runtime::EventArgs& args) {
                     std::string entry = event_word(kind);
                     if (kind == EventKind::ItemSelected || kind == EventKind::GotFocus ||
                         kind == EventKind::RowChanged) {
                         entry += " " + std::to_string(m_form ? m_form->selection(name) : -2);
                     } else if (kind == EventKind::LeftButtonPressed) {
                         entry += " " + std::to_string(args.x) + "," + std::to_string(args.y) +
                                  "," + std::to_string(args.key_state);
                     }
                     record(name, entry);
                 }});
        }
    }
    return table;
}

}  // namespace qorvex::test
