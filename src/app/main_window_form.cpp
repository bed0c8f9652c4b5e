#include "app/main_window_form.h"

#include <utility>

#include "app/form_fonts.h"
#include "app/pattern_grid_form.h"
#include "app/sample_numbers.h"
#include "region/card_offers.h"

namespace qorvex::app {
namespace {

using runtime::ComponentDescription;
using runtime::ComponentType;
using runtime::CursorShape;
using runtime::EditStyle;

// The row order is the province table's order: the region handlers take the
// selection index as the province row.
std::vector<std::string> province_names() {
    return {"北京", "上海", "广东", "福建", "浙江",   "天津", "辽宁", "江苏",
            "山西", "新疆", "青海", "河北", "山东",   "海南", "陕西", "内蒙古",
            "重庆", "湖北", "吉林", "宁夏", "黑龙江", "西藏", "湖南", "四川",
            "河南", "安徽", "甘肃", "云南", "贵州",   "江西", "广西"};
}

// Card offers in card-row order; rows 0 and 1 have group keys, row 2 none.
std::vector<std::string> card_offers() {
    return {region::kCardOffers.begin(), region::kCardOffers.end()};
}

std::vector<ComponentDescription> selection_components() {
    return {
        {.name = "透明签7",
         .type = ComponentType::TransparentLabel,
         .geometry = {10, 8, 104, 20},
         .font = gb2312_font(14),
         .text = "点击选择卡种类"},
        {.name = "超级列表框1",
         .type = ComponentType::ListView,
         .geometry = {10, 30, 150, 150},
         .tab_stop = true,
         .font = gb2312_font(14, kSongTypeface),
         .items = card_offers(),
         .columns = {{"点击选卡种类", 145}}},
        {.name = "透明签8",
         .type = ComponentType::TransparentLabel,
         .geometry = {180, 8, 104, 20},
         .font = gb2312_font(14),
         .text = "选择号码归属地"},
        {.name = "组合框1",
         .type = ComponentType::ComboBox,
         .geometry = {180, 30, 115, 30},
         .tab_stop = true,
         .font = gb2312_font(16),
         .items = province_names(),
         .selected_index = 0},
        {.name = "组合框2",
         .type = ComponentType::ComboBox,
         .geometry = {180, 60, 115, 30},
         .tab_stop = true,
         .font = gb2312_font(16),
         .items = {"北京"},
         .selected_index = 0},
        {.name = "开始",
         .type = ComponentType::Button,
         .geometry = {180, 90, 70, 30},
         .tab_stop = true,
         .cursor = CursorShape::Hand,
         .font = gb2312_font(16),
         .text = "开始"},
        {.name = "停止",
         .type = ComponentType::Button,
         .geometry = {250, 90, 70, 30},
         .tab_stop = true,
         .cursor = CursorShape::Hand,
         .font = gb2312_font(16),
         .text = "停止"},
        {.name = "按钮1",
         .type = ComponentType::Button,
         .geometry = {176, 128, 48, 50},
         .tab_stop = true,
         .cursor = CursorShape::Hand,
         .font = gb2312_font(16),
         .text = "申请说明"},
        {.name = "按钮2",
         .type = ComponentType::Button,
         .geometry = {233, 130, 108, 50},
         .tab_stop = true,
         .cursor = CursorShape::Hand,
         .font = gb2312_font(16),
         .text = "打开直达\r\nTavik申请官网"},
    };
}

std::vector<ComponentDescription> status_and_settings_components() {
    return {
        {.name = "透明签5",
         .type = ComponentType::TransparentLabel,
         .geometry = {352, 24, 210, 32},
         .font = gb2312_font(16),
         .text = "已停止"},
        {.name = "透明签6",
         .type = ComponentType::TransparentLabel,
         .geometry = {568, 24, 80, 32},
         .font = gb2312_font(16)},
        {.name = "透明签1",
         .type = ComponentType::TransparentLabel,
         .geometry = {352, 56, 144, 32},
         .font = gb2312_font(16),
         .text = "扫描间隔时间(秒):"},
        {.name = "编辑框99",
         .type = ComponentType::EditBox,
         .geometry = {488, 57, 30, 30},
         .tab_stop = true,
         .font = gb2312_font(16),
         .text = "5"},
        {.name = "透明签2",
         .type = ComponentType::TransparentLabel,
         .geometry = {520, 57, 240, 32},
         .font = gb2312_font(12),
         .text = "扫建议5秒以上,时间太短会不出号,也容易导致当前IP暂时性禁止访问"},
        {.name = "分组框1",
         .type = ComponentType::GroupBox,
         .geometry = {352, 104, 240, 80},
         .text = "通用设置"},
        {.name = "单选框1",
         .type = ComponentType::RadioButton,
         .geometry = {8, 16, 96, 24},
         .parent = "分组框1",
         .tab_stop = true,
         .text = "包含所有数字",
         .checked = true},
        {.name = "单选框2",
         .type = ComponentType::RadioButton,
         .geometry = {104, 16, 56, 24},
         .parent = "分组框1",
         .tab_stop = true,
         .text = "不带4"},
        {.name = "单选框3",
         .type = ComponentType::RadioButton,
         .geometry = {160, 16, 72, 24},
         .parent = "分组框1",
         .tab_stop = true,
         .text = "不带4和7"},
        {.name = "自定义匹配",
         .type = ComponentType::EditBox,
         .geometry = {4, 48, 80, 20},
         .parent = "分组框1",
         .tab_stop = true,
         .text = "688"},
        {.name = "标签3",
         .type = ComponentType::Label,
         .geometry = {84, 46, 153, 24},
         .parent = "分组框1",
         .text = "自定义匹配,输入1-10位数字"},
    };
}

std::vector<ComponentDescription> test_and_lookup_components() {
    return {
        {.name = "分组框2",
         .type = ComponentType::GroupBox,
         .geometry = {624, 96, 336, 88},
         .text = "一分种内扫号结果为0，看这里"},
        {.name = "网络测试",
         .type = ComponentType::Button,
         .geometry = {16, 16, 80, 32},
         .parent = "分组框2",
         .tab_stop = true,
         .text = "网络测试"},
        {.name = "网络测试1",
         .type = ComponentType::Button,
         .geometry = {16, 51, 80, 32},
         .parent = "分组框2",
         .tab_stop = true,
         .text = "代码测试"},
        {.name = "标签4",
         .type = ComponentType::Label,
         .geometry = {104, 18, 224, 38},
         .parent = "分组框2",
         .text = "如果异常,手动打开Tavik官网搜索看能不能出号码,若提示人数过多则当前IP禁止访问,"
                 "改天在试"},
        {.name = "标签2",
         .type = ComponentType::Label,
         .geometry = {104, 56, 224, 24},
         .parent = "分组框2"},
        {.name = "标签1",
         .type = ComponentType::Label,
         .geometry = {792, 32, 160, 24},
         .text = "查询全部号码是否有输入的号"},
        {.name = "编辑框999",
         .type = ComponentType::EditBox,
         .geometry = {792, 56, 88, 20},
         .tab_stop = true},
        {.name = "查询匹配号",
         .type = ComponentType::Button,
         .geometry = {888, 56, 60, 20},
         .tab_stop = true,
         .text = "查询"},
    };
}

// Components that the shrunk window no longer shows: the debugging corner
// (left edge 984 and more) and the scratch box that holds a cycle's numbers
// while they are classified.
std::vector<ComponentDescription> hidden_area_components() {
    return {
        {.name = "按钮3",
         .type = ComponentType::Button,
         .geometry = {984, 0, 80, 32},
         .tab_stop = true,
         .text = "常见问题(待完善)"},
        {.name = "调试按钮",
         .type = ComponentType::Button,
         .geometry = {984, 24, 80, 32},
         .tab_stop = true,
         .text = "调试按钮"},
        {.name = "时钟1",
         .type = ComponentType::Timer,
         .geometry = {1104, 8, 26, 26},
         .visible = false,
         .timer_period_ms = 0},
        {.name = "编辑框161",
         .type = ComponentType::EditBox,
         .geometry = {1080, 48, 115, 400},
         .tab_stop = true,
         .font = gb2312_font(16),
         .text = sample_numbers_text(),
         .edit_style = EditStyle::MultiLineWithScrollBar},
        {.name = "数组的电话",
         .type = ComponentType::EditBox,
         .geometry = {10, 617, 115, 60},
         .tab_stop = true,
         .edit_style = EditStyle::MultiLinePlain},
    };
}

void append(std::vector<ComponentDescription>& to, std::vector<ComponentDescription> from) {
    for (ComponentDescription& component : from) {
        to.push_back(std::move(component));
    }
}

}  // namespace

runtime::FormDescription main_window_form() {
    runtime::FormDescription form{
        .name = "main",
        .caption = kMainWindowCaption,
        .width = kMainWindowDesignedWidth,
        .height = kMainWindowDesignedHeight,
        .centred = true,
        .style = {.title_bar = true,
                  .minimize_box = true,
                  .maximize_box = false,
                  .resizable = false},
    };
    append(form.components, selection_components());
    append(form.components, status_and_settings_components());
    append(form.components, test_and_lookup_components());
    append(form.components, pattern_grid_components());
    append(form.components, hidden_area_components());
    return form;
}

}  // namespace qorvex::app
