#include "app/pattern_grid_form.h"

#include <array>
#include <string>

#include "app/form_fonts.h"

namespace qorvex::app {
namespace {

using runtime::ComponentDescription;
using runtime::ComponentType;

struct PatternColumn {
    const char* caption;
    int check_box_left;  // the result box below starts at the same left edge
    int label_left;
    int row;  // 1 or 2
};

constexpr std::array<PatternColumn, kPatternColumnCount> kPatternColumns = {{
    {"全部号码", 10, 100, 1},
    {"AAA", 130, 220, 1},
    {"4A+", 250, 340, 1},
    {"AABBB", 370, 460, 1},
    {"AABB", 490, 580, 1},
    {"AABBCC", 610, 700, 1},
    {"ABCABC", 730, 808, 1},
    {"ABCDABCD", 850, 940, 1},
    {"ABCD+", 10, 100, 2},
    {"ABCDE", 130, 220, 2},
    {"尾4A/AB/3-1", 250, 340, 2},
    {"尾ABCABC", 370, 460, 2},
    {"尾ABCD", 490, 580, 2},
    {"尾AAA", 610, 688, 2},
    {"ABABAB", 730, 820, 2},
    {"自定义匹配", 850, 940, 2},
}};

constexpr int kFirstRowTop = 193;
constexpr int kSecondRowTop = 413;
constexpr int kResultBoxOffset = 20;  // result boxes sit right under their check box
constexpr int kCheckBoxWidth = 80;
constexpr int kWideCheckBoxColumn = 11;  // its caption "尾4A/AB/3-1" needs more room
constexpr int kWideCheckBoxWidth = 90;
constexpr int kRowItemHeight = 20;
constexpr int kLabelWidth = 25;
constexpr int kResultBoxWidth = 115;
constexpr int kResultBoxHeight = 180;
constexpr int kResultBoxFontHeight = 16;

}  // namespace

std::vector<ComponentDescription> pattern_grid_components() {
    std::vector<ComponentDescription> components;
    components.reserve(3 * kPatternColumns.size());
    int column_number = 1;
    for (const PatternColumn& column : kPatternColumns) {
        const std::string k = std::to_string(column_number);
        const int top = column.row == 1 ? kFirstRowTop : kSecondRowTop;
        const int check_box_width =
            column_number == kWideCheckBoxColumn ? kWideCheckBoxWidth : kCheckBoxWidth;

        components.push_back({
            .name = "选择框" + k,
            .type = ComponentType::CheckBox,
            .geometry = {column.check_box_left, top, check_box_width, kRowItemHeight},
            .tab_stop = true,
            .text = column.caption,
            // Every class runs whatever the box says, so all start ticked.
            .checked = true,
        });
        components.push_back({
            .name = "透明标签" + k,
            .type = ComponentType::TransparentLabel,
            .geometry = {column.label_left, top, kLabelWidth, kRowItemHeight},
            .cursor = runtime::CursorShape::Hand,
            .text = "清空",
        });
        components.push_back({
            .name = "编辑框" + k,
            .type = ComponentType::EditBox,
            .geometry = {column.check_box_left, top + kResultBoxOffset, kResultBoxWidth,
                         kResultBoxHeight},
            .tab_stop = true,
            .font = gb2312_font(kResultBoxFontHeight),
            .edit_style = runtime::EditStyle::MultiLineWithScrollBar,
        });
        ++column_number;
    }
    return components;
}

}  // namespace qorvex::app
