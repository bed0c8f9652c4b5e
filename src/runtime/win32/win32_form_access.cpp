#include <windows.h>
// The common controls header builds on <windows.h>.
#include <commctrl.h>

#include <algorithm>

#include "runtime/designed_frame.h"
#include "runtime/win32/control_styles.h"
#include "runtime/win32/line_view.h"
#include "runtime/win32/win32_controls.h"
#include "runtime/win32/win32_form.h"
#include "runtime/win32/win32_runtime.h"

// Reading and writing components by name: one message to the control each.

namespace qorvex::runtime {

namespace {

void repaint_behind(HWND control) {
    // A label without a background of its own shows whatever lies behind it:
    // the parent repaints that area, then the label draws its new text on top.
    HWND parent = GetParent(control);
    RECT area{};
    GetWindowRect(control, &area);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&area), 2);
    RedrawWindow(parent, &area, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

}  // namespace

std::string Win32Form::text(std::string_view name) const {
    if (!live()) {
        return {};
    }
    const Component& state = component(name, Property::Text);
    return state.multi_line ? line_view_text(state.window) : window_text(state.window);
}

void Win32Form::visit_lines(std::string_view name, const LineVisitor& visit) const {
    if (!live()) {
        return;
    }
    const Component& state = component(name, Property::Text);
    if (state.multi_line) {
        // Walked where the box keeps it, without a copy.
        visit_text_lines(line_view_text(state.window), visit);
        return;
    }
    Form::visit_lines(name, visit);
}

void Win32Form::set_text(std::string_view name, std::string_view text) {
    if (!live()) {
        return;
    }
    Component& state = component(name, Property::Text);
    if (state.multi_line) {
        line_view_set_text(state.window, text);
        return;
    }
    set_window_text(state.window, text);
    if (state.description->type == ComponentType::TransparentLabel) {
        repaint_behind(state.window);
    }
}

void Win32Form::append_text(std::string_view name, std::string_view text) {
    if (!live()) {
        return;
    }
    Component& state = component(name, Property::AppendText);
    if (state.multi_line) {
        line_view_append(state.window, text);
        return;
    }
    edit_append(state.window, text);
}

int Win32Form::selection(std::string_view name) const {
    if (!live()) {
        return -1;
    }
    const Component& state = component(name, Property::Selection);
    if (state.description->type == ComponentType::ListView) {
        return list_view_current_row(state.window);
    }
    return static_cast<int>(SendMessageW(state.window, CB_GETCURSEL, 0, 0));
}

void Win32Form::set_selection(std::string_view name, int index) {
    if (!live()) {
        return;
    }
    Component& state = component(name, Property::Selection);
    if (state.description->type == ComponentType::ListView) {
        // The list notifies its window of this change too; the known row
        // tells the window that nobody but the program moved it.
        list_view_select_row(state.window, index);
        state.known_row = list_view_current_row(state.window);
        return;
    }
    // CB_SETCURSEL sends no notification, so the program's choice raises
    // nothing. An index outside the list selects nothing, whatever the
    // control would make of it.
    const auto count = SendMessageW(state.window, CB_GETCOUNT, 0, 0);
    const WPARAM chosen =
        index >= 0 && index < count ? static_cast<WPARAM>(index) : static_cast<WPARAM>(-1);
    SendMessageW(state.window, CB_SETCURSEL, chosen, 0);
}

std::vector<std::string> Win32Form::items(std::string_view name) const {
    if (!live()) {
        return {};
    }
    const Component& state = component(name, Property::Items);
    return state.description->type == ComponentType::ListView ? list_view_rows(state.window)
                                                              : combo_items(state.window);
}

void Win32Form::clear_items(std::string_view name) {
    if (live()) {
        SendMessageW(component(name, Property::EditItems).window, CB_RESETCONTENT, 0, 0);
    }
}

void Win32Form::add_item(std::string_view name, std::string_view item) {
    if (live()) {
        combo_add(component(name, Property::EditItems).window, item);
    }
}

bool Win32Form::checked(std::string_view name) const {
    return live() && SendMessageW(component(name, Property::Checked).window, BM_GETCHECK, 0, 0) ==
                         BST_CHECKED;
}

void Win32Form::set_checked(std::string_view name, bool checked) {
    if (!live()) {
        return;
    }
    const Component& state = component(name, Property::Checked);
    if (checked && state.description->type == ComponentType::RadioButton) {
        check_radio(state);
        return;
    }
    SendMessageW(state.window, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void Win32Form::check_radio(const Component& chosen) {
    // Radio buttons sharing a parent form one group: selecting one clears the others.
    for (const Component& other : m_components) {
        if (other.description->type == ComponentType::RadioButton &&
            other.description->parent == chosen.description->parent) {
            SendMessageW(other.window, BM_SETCHECK, &other == &chosen ? BST_CHECKED : BST_UNCHECKED,
                         0);
        }
    }
}

int Win32Form::timer_period(std::string_view name) const {
    return live() ? component(name, Property::TimerPeriod).period_ms : 0;
}

void Win32Form::set_timer_period(std::string_view name, int milliseconds) {
    if (!live()) {
        return;
    }
    Component& state = component(name, Property::TimerPeriod);
    state.period_ms = std::max(milliseconds, 0);
    const auto id = static_cast<UINT_PTR>(state.id);
    if (state.period_ms > 0) {
        // SetTimer on a running timer restarts it with the new period.
        SetTimer(m_window, id, static_cast<UINT>(state.period_ms), nullptr);
    } else {
        KillTimer(m_window, id);
    }
}

bool Win32Form::visible(std::string_view name) const {
    if (!live()) {
        return false;
    }
    const Component& state = component(name, Property::Visible);
    return (GetWindowLongPtrW(state.window, GWL_STYLE) & WS_VISIBLE) != 0;
}

void Win32Form::set_visible(std::string_view name, bool visible) {
    if (live()) {
        ShowWindow(component(name, Property::Visible).window, visible ? SW_SHOWNA : SW_HIDE);
    }
}

bool Win32Form::enabled(std::string_view name) const {
    if (!live()) {
        return false;
    }
    const Component& state = component(name, Property::Enabled);
    return (GetWindowLongPtrW(state.window, GWL_STYLE) & WS_DISABLED) == 0;
}

void Win32Form::set_enabled(std::string_view name, bool enabled) {
    if (live()) {
        EnableWindow(component(name, Property::Enabled).window, enabled ? TRUE : FALSE);
    }
}

Rect Win32Form::geometry(std::string_view name) const {
    if (!live()) {
        return {};
    }
    const Component& state = component(name, Property::Geometry);
    if (state.window == nullptr) {
        return state.description->geometry;  // timers have no window
    }
    Rect place = child_rect(state.window);
    if (state.description->type == ComponentType::ComboBox) {
        // Windows sizes the closed field itself; the component keeps its described height.
        place.height = state.description->geometry.height;
    }
    return place;
}

void Win32Form::set_focus(std::string_view name) {
    if (!live()) {
        return;
    }
    HWND target = component(name, Property::Focus).window;
    if (GetActiveWindow() == m_window) {
        // The combo box's CBN_SETFOCUS, and with it the got-focus handler,
        // is sent before SetFocus returns.
        SetFocus(target);
        return;
    }
    // SetFocus would activate a window that is not active. Such a window
    // keeps the control as the one that gets the focus when it is
    // activated, which counts as the move of the focus.
    if (target == m_last_focus) {
        return;
    }
    m_last_focus = target;
    if (const Component* moved = find(target);
        moved != nullptr && moved->description->type == ComponentType::ComboBox) {
        raise(moved->description->name, EventKind::GotFocus);
    }
}

// Sizes read back as the designed frame around the client area, as they were set.
WindowSize Win32Form::designed_size() const {
    RECT client{};
    if (!live() || !GetClientRect(m_window, &client)) {
        return {0, 0};
    }
    return designed_outer_size(m_description.style, client.right - client.left,
                               client.bottom - client.top);
}

int Win32Form::window_width() const {
    return designed_size().width;
}

int Win32Form::window_height() const {
    return designed_size().height;
}

void Win32Form::set_window_size(int width, int height) {
    if (live()) {
        const SIZE size = native_outer_size(m_description.style, width, height);
        SetWindowPos(m_window, nullptr, 0, 0, size.cx, size.cy,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

bool Win32Form::window_enabled() const {
    return live() && IsWindowEnabled(m_window) != FALSE;
}

void Win32Form::destroy() {
    if (!live() || m_destroying) {
        return;
    }
    auto keep_alive = shared_from_this();
    m_destroying = true;
    // The windows that this one blocked are enabled before it goes, so that
    // Windows hands the activation back to one of them.
    m_runtime.apply_modal_state(this);
    DestroyWindow(m_window);
}

}  // namespace qorvex::runtime
