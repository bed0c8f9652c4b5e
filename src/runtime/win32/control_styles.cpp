#include "runtime/win32/control_styles.h"

#include <commctrl.h>

#include <array>
#include <utility>

#include "runtime/designed_frame.h"
#include "runtime/win32/line_view.h"

namespace qorvex::runtime {

namespace {

struct TypeStyle {
    ComponentType type;
    ControlStyle control;
};

// Edit boxes take their styles from their edit style below, and multi-line
// ones are line views; timers have no window.
constexpr std::array<TypeStyle, 11> kTypeStyles{{
    {ComponentType::EditBox, {L"EDIT", ES_LEFT | ES_NOHIDESEL, WS_EX_CLIENTEDGE}},
    {ComponentType::Label, {L"STATIC", SS_LEFT | SS_NOPREFIX, 0}},
    // SS_NOTIFY makes the label answer hit tests, so it receives mouse clicks.
    {ComponentType::TransparentLabel,
     {L"STATIC", SS_LEFT | SS_NOPREFIX | SS_NOTIFY, WS_EX_TRANSPARENT}},
    {ComponentType::Button, {L"BUTTON", BS_PUSHBUTTON | BS_MULTILINE, 0}},
    {ComponentType::PictureButton, {L"BUTTON", BS_OWNERDRAW, 0}},
    {ComponentType::CheckBox, {L"BUTTON", BS_AUTOCHECKBOX, 0}},
    {ComponentType::RadioButton, {L"BUTTON", BS_AUTORADIOBUTTON, 0}},
    {ComponentType::GroupBox, {L"BUTTON", BS_GROUPBOX, WS_EX_CONTROLPARENT}},
    {ComponentType::ComboBox,
     {L"COMBOBOX", CBS_DROPDOWNLIST | CBS_NOINTEGRALHEIGHT | WS_VSCROLL, 0}},
    {ComponentType::ListView,
     {WC_LISTVIEWW, LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS, WS_EX_CLIENTEDGE}},
    {ComponentType::Timer, {nullptr, 0, 0}},
}};

DWORD edit_style(EditStyle style) {
    switch (style) {
        case EditStyle::SingleLine:
            return ES_AUTOHSCROLL;
        case EditStyle::MultiLineWithScrollBar:
            return ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL | WS_VSCROLL;
        case EditStyle::MultiLinePlain:
            return ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL;
    }
    return ES_AUTOHSCROLL;
}

}  // namespace

ControlStyle control_style(const ComponentDescription& component) {
    ControlStyle result;
    for (const TypeStyle& row : kTypeStyles) {
        if (row.type == component.type) {
            result = row.control;
        }
    }
    if (result.window_class == nullptr) {
        return result;
    }
    result.style |= WS_CHILD | WS_CLIPSIBLINGS;
    if (component.type == ComponentType::EditBox) {
        result.style |= edit_style(component.edit_style);
        if (component.edit_style != EditStyle::SingleLine) {
            result.window_class = kLineViewClass;
        }
    }
    if (component.tab_stop) {
        result.style |= WS_TABSTOP;
    }
    if (component.visible) {
        result.style |= WS_VISIBLE;
    }
    return result;
}

ControlStyle window_style(const WindowStyle& style) {
    ControlStyle result{nullptr, WS_CLIPSIBLINGS, WS_EX_CONTROLPARENT};
    if (!style.title_bar) {
        // A dialog frame with neither title bar nor system menu, so no close button.
        result.style |= WS_POPUP | WS_DLGFRAME;
        result.ex_style |= WS_EX_DLGMODALFRAME;
        return result;
    }
    result.style |= WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
    if (style.minimize_box) {
        result.style |= WS_MINIMIZEBOX;
    }
    if (style.maximize_box) {
        result.style |= WS_MAXIMIZEBOX;
    }
    if (style.resizable) {
        result.style |= WS_THICKFRAME;
    }
    return result;
}

SIZE native_outer_size(const WindowStyle& style, int outer_width, int outer_height) {
    const WindowSize client = designed_client_size(style, outer_width, outer_height);
    const ControlStyle frame = window_style(style);
    RECT area{0, 0, client.width, client.height};
    if (!AdjustWindowRectEx(&area, frame.style, FALSE, frame.ex_style)) {
        return {outer_width, outer_height};
    }
    return {area.right - area.left, area.bottom - area.top};
}

}  // namespace qorvex::runtime
