#include "support/app_expected_main_window.h"

#include <optional>
#include <string>

namespace qorvex::test {
namespace {

using runtime::ComponentType;
using runtime::CursorShape;
using runtime::EditStyle;
using T = ComponentType;
constexpr CursorShape kArrow = CursorShape::Arrow;
constexpr CursorShape kHand = CursorShape::Hand;
constexpr bool kTab = true;
constexpr bool kNoTab = false;
constexpr bool kShown = true;
constexpr bool kHidden = false;
const std::string kWindow;
const std::string kSettings = "分组框1";
const std::string kTests = "分组框2";

// The sixteen columns of the pattern grid: caption, check box left, label
// left, row (1 or 2).
struct GridColumn {
    const char* caption;
    int check_left;
    int label_left;
    int row;
};

constexpr GridColumn kGrid[] = {
    {"全部号码", 10, 100, 1},    {"AAA", 130, 220, 1},         {"4A+", 250, 340, 1},
    {"AABBB", 370, 460, 1},      {"AABB", 490, 580, 1},        {"AABBCC", 610, 700, 1},
    {"ABCABC", 730, 808, 1},     {"ABCDABCD", 850, 940, 1},    {"ABCD+", 10, 100, 2},
    {"ABCDE", 130, 220, 2},      {"尾4A/AB/3-1", 250, 340, 2}, {"尾ABCABC", 370, 460, 2},
    {"尾ABCD", 490, 580, 2},     {"尾AAA", 610, 688, 2},       {"ABABAB", 730, 820, 2},
    {"自定义匹配", 850, 940, 2},
};

void add_grid(std::vector<ExpectedComponent>& rows) {
    int k = 1;
    for (const GridColumn& column : kGrid) {
        const int top = column.row == 1 ? 193 : 413;
        const std::string n = std::to_string(k);
        const int check_width = k == 11 ? 90 : 80;
        rows.push_back({"选择框" + n,
                        T::CheckBox,
                        {column.check_left, top, check_width, 20},
                        kWindow,
                        kShown,
                        kTab,
                        kArrow,
                        0,
                        "",
                        column.caption});
        rows.push_back({"透明标签" + n,
                        T::TransparentLabel,
                        {column.label_left, top, 25, 20},
                        kWindow,
                        kShown,
                        kNoTab,
                        kHand,
                        0,
                        "",
                        "清空"});
        rows.push_back({"编辑框" + n,
                        T::EditBox,
                        {column.check_left, top + 20, 115, 180},
                        kWindow,
                        kShown,
                        kTab,
                        kArrow,
                        16,
                        "",
                        ""});
        ++k;
    }
}

}  // namespace

std::vector<ExpectedComponent> expected_main_window_components() {
    std::vector<ExpectedComponent> rows = {
        // clang-format off
        {"透明签7", T::TransparentLabel, {10, 8, 104, 20}, kWindow, kShown, kNoTab, kArrow, 14, "", "点击选择卡种类"},
        {"超级列表框1", T::ListView, {10, 30, 150, 150}, kWindow, kShown, kTab, kArrow, 14, "宋体", std::nullopt},
        {"透明签8", T::TransparentLabel, {180, 8, 104, 20}, kWindow, kShown, kNoTab, kArrow, 14, "", "选择号码归属地"},
        {"组合框1", T::ComboBox, {180, 30, 115, 30}, kWindow, kShown, kTab, kArrow, 16, "", std::nullopt},
        {"组合框2", T::ComboBox, {180, 60, 115, 30}, kWindow, kShown, kTab, kArrow, 16, "", std::nullopt},
        {"开始", T::Button, {180, 90, 70, 30}, kWindow, kShown, kTab, kHand, 16, "", "开始"},
        {"停止", T::Button, {250, 90, 70, 30}, kWindow, kShown, kTab, kHand, 16, "", "停止"},
        {"按钮1", T::Button, {176, 128, 48, 50}, kWindow, kShown, kTab, kHand, 16, "", "申请说明"},
        {"按钮2", T::Button, {233, 130, 108, 50}, kWindow, kShown, kTab, kHand, 16, "", "打开直达\r\nTavik申请官网"},
        {"透明签5", T::TransparentLabel, {352, 24, 210, 32}, kWindow, kShown, kNoTab, kArrow, 16, "", "已停止"},
        {"透明签6", T::TransparentLabel, {568, 24, 80, 32}, kWindow, kShown, kNoTab, kArrow, 16, "", ""},
        {"透明签1", T::TransparentLabel, {352, 56, 144, 32}, kWindow, kShown, kNoTab, kArrow, 16, "", "扫描间隔时间(秒):"},
        {"编辑框99", T::EditBox, {488, 57, 30, 30}, kWindow, kShown, kTab, kArrow, 16, "", "5"},
        {"透明签2", T::TransparentLabel, {520, 57, 240, 32}, kWindow, kShown, kNoTab, kArrow, 12, "", "扫建议5秒以上,时间太短会不出号,也容易导致当前IP暂时性禁止访问"},
        {"分组框1", T::GroupBox, {352, 104, 240, 80}, kWindow, kShown, kNoTab, kArrow, 0, "", "通用设置"},
        {"单选框1", T::RadioButton, {8, 16, 96, 24}, kSettings, kShown, kTab, kArrow, 0, "", "包含所有数字"},
        {"单选框2", T::RadioButton, {104, 16, 56, 24}, kSettings, kShown, kTab, kArrow, 0, "", "不带4"},
        {"单选框3", T::RadioButton, {160, 16, 72, 24}, kSettings, kShown, kTab, kArrow, 0, "", "不带4和7"},
        {"自定义匹配", T::EditBox, {4, 48, 80, 20}, kSettings, kShown, kTab, kArrow, 0, "", "688"},
        {"标签3", T::Label, {84, 46, 153, 24}, kSettings, kShown, kNoTab, kArrow, 0, "", "自定义匹配,输入1-10位数字"},
        {"分组框2", T::GroupBox, {624, 96, 336, 88}, kWindow, kShown, kNoTab, kArrow, 0, "", "一分种内扫号结果为0，看这里"},
        {"网络测试", T::Button, {16, 16, 80, 32}, kTests, kShown, kTab, kArrow, 0, "", "网络测试"},
        {"网络测试1", T::Button, {16, 51, 80, 32}, kTests, kShown, kTab, kArrow, 0, "", "代码测试"},
        {"标签4", T::Label, {104, 18, 224, 38}, kTests, kShown, kNoTab, kArrow, 0, "", "如果异常,手动打开Tavik官网搜索看能不能出号码,若提示人数过多则当前IP禁止访问,改天在试"},
        {"标签2", T::Label, {104, 56, 224, 24}, kTests, kShown, kNoTab, kArrow, 0, "", ""},
        {"标签1", T::Label, {792, 32, 160, 24}, kWindow, kShown, kNoTab, kArrow, 0, "", "查询全部号码是否有输入的号"},
        {"编辑框999", T::EditBox, {792, 56, 88, 20}, kWindow, kShown, kTab, kArrow, 0, "", ""},
        {"查询匹配号", T::Button, {888, 56, 60, 20}, kWindow, kShown, kTab, kArrow, 0, "", "查询"},
        {"按钮3", T::Button, {984, 0, 80, 32}, kWindow, kShown, kTab, kArrow, 0, "", "常见问题(待完善)"},
        {"调试按钮", T::Button, {984, 24, 80, 32}, kWindow, kShown, kTab, kArrow, 0, "", "调试按钮"},
        {"时钟1", T::Timer, {1104, 8, 26, 26}, kWindow, kHidden, kNoTab, kArrow, 0, "", std::nullopt},
        // 编辑框161 holds the sample numbers; the tests check them on their own.
        {"编辑框161", T::EditBox, {1080, 48, 115, 400}, kWindow, kShown, kTab, kArrow, 16, "", std::nullopt},
        {"数组的电话", T::EditBox, {10, 617, 115, 60}, kWindow, kShown, kTab, kArrow, 0, "", ""},
        // clang-format on
    };
    add_grid(rows);
    return rows;
}

std::vector<ExpectedEditStyle> expected_edit_styles() {
    std::vector<ExpectedEditStyle> rows = {
        {"编辑框161", EditStyle::MultiLineWithScrollBar},
        {"数组的电话", EditStyle::MultiLinePlain},
        {"编辑框99", EditStyle::SingleLine},
        {"编辑框999", EditStyle::SingleLine},
        {"自定义匹配", EditStyle::SingleLine},
    };
    for (int k = 1; k <= 16; ++k) {
        rows.push_back({"编辑框" + std::to_string(k), EditStyle::MultiLineWithScrollBar});
    }
    return rows;
}

std::vector<std::string> expected_provinces() {
    return {"北京", "上海", "广东", "福建", "浙江",   "天津", "辽宁", "江苏",
            "山西", "新疆", "青海", "河北", "山东",   "海南", "陕西", "内蒙古",
            "重庆", "湖北", "吉林", "宁夏", "黑龙江", "西藏", "湖南", "四川",
            "河南", "安徽", "甘肃", "云南", "贵州",   "江西", "广西"};
}

std::vector<std::string> expected_card_rows() {
    return {"Tavikmax", "星河梦想e卡", "云朵卡（未上线）"};
}

}  // namespace qorvex::test
