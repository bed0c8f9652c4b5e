#pragma once

// A window is described as plain data: the loaders of every back end turn a
// FormDescription into real (or in-memory) components, and nothing sets
// geometry in code after loading.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace qorvex::runtime {

enum class ComponentType {
    Window,
    EditBox,           // 编辑框
    Label,             // 标签
    TransparentLabel,  // 透明标签: transparent background, raises left-button-pressed
    Button,            // 按钮
    PictureButton,     // 图形按钮: drawn from PNG pictures
    CheckBox,          // 选择框
    RadioButton,       // 单选框
    GroupBox,          // 分组框: parent of the components inside it
    ComboBox,          // 组合框: drop-down list without an edit field
    ListView,          // 超级列表框: report view with column headers
    Timer,             // 时钟: invisible, ticks on the user-interface thread
};

enum class CursorShape { Arrow, Hand };

enum class Charset { Default, Gb2312, Ansi };

// pixel_height 0 means the standard user-interface font of the platform.
struct FontSpec {
    int pixel_height = 0;
    std::string face{};
    Charset charset = Charset::Default;
};

enum class EditStyle {
    SingleLine,              // automatic horizontal scrolling
    MultiLineWithScrollBar,  // return inserts a line break, vertical scroll bar
    MultiLinePlain,          // multi-line without scroll bars
};

struct Rect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

struct ListColumn {
    std::string title{};
    int width = 0;
};

struct ComponentDescription {
    std::string name{};
    ComponentType type = ComponentType::Label;
    Rect geometry{};
    std::string parent{};  // empty: the window itself; otherwise a group box of the same form
    bool visible = true;
    bool tab_stop = false;
    CursorShape cursor = CursorShape::Arrow;
    FontSpec font{};
    std::string text{};  // caption or initial text; multi-line texts use "\r\n"
    EditStyle edit_style = EditStyle::SingleLine;
    std::vector<std::string> items{};   // combo box items, or the rows of a list view
    int selected_index = -1;            // combo box selection or list view current row
    bool checked = false;               // check box and radio button
    std::vector<ListColumn> columns{};  // list view
    // Picture button: PNG pictures for the normal, hover and pressed looks.
    std::vector<std::span<const std::uint8_t>> pictures{};
    int timer_period_ms = 0;  // timer: 0 means stopped
};

struct WindowStyle {
    bool title_bar = true;  // false: dialog frame without title bar or system menu
    bool minimize_box = true;
    bool maximize_box = false;
    bool resizable = false;
};

struct FormDescription {
    std::string name{};
    std::string caption{};
    int width = 0;
    int height = 0;
    bool centred = true;
    WindowStyle style{};
    std::vector<ComponentDescription> components{};
};

}  // namespace qorvex::runtime
