#include <windows.h>
// The common controls header builds on <windows.h>.
#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

#include "runtime/win32/control_styles.h"
#include "runtime/win32/win32_controls.h"
#include "runtime/win32/win32_form.h"
#include "runtime/win32/win32_runtime.h"

// The event side of a Win32 window: its window procedure, the subclass
// procedure of its controls, and the dispatch of component events.

namespace qorvex::runtime {

namespace {

// Raised through the queue, after the notification that ended the choice.
constexpr UINT kItemSelectedMessage = WM_APP + 1;
// Raised through the queue too: a click on another row notifies twice, the
// old row losing the selection before the new one gains it, and only the
// state after both counts.
constexpr UINT kRowChangedMessage = WM_APP + 2;

// The pictures of a picture button, in the order of the description.
constexpr std::size_t kNormalPicture = 0;
constexpr std::size_t kHoverPicture = 1;
constexpr std::size_t kPressedPicture = 2;

int key_state(WPARAM mouse_keys) {
    int state = 0;
    if ((mouse_keys & MK_CONTROL) != 0) {
        state |= kKeyCtrl;
    }
    if ((mouse_keys & MK_SHIFT) != 0) {
        state |= kKeyShift;
    }
    if (GetKeyState(VK_MENU) < 0) {
        state |= kKeyAlt;
    }
    return state;
}

bool is_child_of(HWND child, HWND window) {
    return child != nullptr && IsChild(window, child) != FALSE;
}

}  // namespace

LRESULT CALLBACK Win32Form::window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lparam);
        auto* form = static_cast<Win32Form*>(creation->lpCreateParams);
        form->m_window = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    auto* form = reinterpret_cast<Win32Form*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (form == nullptr || form->m_window != window) {
        return DefWindowProcW(window, message, wparam, lparam);
    }
    return form->handle_message(message, wparam, lparam);
}

LRESULT Win32Form::handle_message(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_COMMAND:
            if (handle_command(wparam, lparam)) {
                return 0;
            }
            break;
        case WM_NOTIFY:
            handle_notify(*reinterpret_cast<const NMHDR*>(lparam));
            break;
        case kRowChangedMessage:
            if (Component* state = find_by_id(static_cast<int>(wparam));
                state != nullptr && state->description->type == ComponentType::ListView) {
                report_row_change(*state);
            }
            return 0;
        case kItemSelectedMessage:
            if (const Component* state = find_by_id(static_cast<int>(wparam))) {
                raise(state->description->name, EventKind::ItemSelected);
            }
            return 0;
        case WM_TIMER:
            if (const Component* state = find_by_id(static_cast<int>(wparam));
                state != nullptr && state->period_ms > 0) {
                raise(state->description->name, EventKind::PeriodElapsed);
            }
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wparam) == WA_INACTIVE) {
                HWND focus = GetFocus();
                m_last_focus = is_child_of(focus, m_window) ? focus : m_last_focus;
                return 0;
            }
            if (!m_activated) {
                // First activation comes before the activation proper.
                m_activated = true;
                raise("", EventKind::FirstActivation);
            }
            // The handler may have opened a modal window, which is active now.
            if (m_window != nullptr && GetActiveWindow() == m_window) {
                restore_focus();
            }
            return 0;
        case WM_GETMINMAXINFO: {
            // Windows keeps a window within the screen; a form is made at its
            // designed size on any screen, and its creation handler sizes it
            // for the user before it shows.
            auto& limits = *reinterpret_cast<MINMAXINFO*>(lparam);
            const SIZE designed =
                native_outer_size(m_description.style, m_description.width, m_description.height);
            limits.ptMaxTrackSize.x = std::max(limits.ptMaxTrackSize.x, designed.cx);
            limits.ptMaxTrackSize.y = std::max(limits.ptMaxTrackSize.y, designed.cy);
            return 0;
        }
        case WM_SETCURSOR:
            if (handle_set_cursor(reinterpret_cast<HWND>(wparam), lparam)) {
                return TRUE;
            }
            break;
        case WM_CTLCOLORSTATIC:
            return color_static(reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam));
        case WM_DRAWITEM:
            draw_picture_button(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
            return TRUE;
        case WM_CLOSE:
            // A window without a title bar offers the user no way to close it.
            if (m_description.style.title_bar) {
                destroy();
            }
            return 0;
        case WM_NCDESTROY:
            window_gone();
            return 0;
        default:
            break;
    }
    return DefWindowProcW(m_window, message, wparam, lparam);
}

bool Win32Form::handle_command(WPARAM wparam, LPARAM lparam) {
    const Component* state = find_by_id(LOWORD(wparam));
    if (state == nullptr || state->window != reinterpret_cast<HWND>(lparam)) {
        return false;
    }
    const std::string& name = state->description->name;
    switch (state->description->type) {
        case ComponentType::Button:
        case ComponentType::PictureButton:
            if (HIWORD(wparam) == BN_CLICKED) {
                raise(name, EventKind::Clicked);
            }
            return true;
        case ComponentType::ComboBox:
            if (HIWORD(wparam) == CBN_SELENDOK) {
                PostMessageW(m_window, kItemSelectedMessage, static_cast<WPARAM>(state->id), 0);
            } else if (HIWORD(wparam) == CBN_SETFOCUS) {
                raise(name, EventKind::GotFocus);
            }
            return true;
        default:
            return false;
    }
}

void Win32Form::handle_notify(const NMHDR& header) {
    const Component* state = find_by_id(static_cast<int>(header.idFrom));
    if (state == nullptr || state->window != header.hwndFrom ||
        state->description->type != ComponentType::ListView || header.code != LVN_ITEMCHANGED) {
        return;
    }
    const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
    if ((change.uChanged & LVIF_STATE) != 0 &&
        ((change.uOldState ^ change.uNewState) & LVIS_SELECTED) != 0) {
        PostMessageW(m_window, kRowChangedMessage, static_cast<WPARAM>(state->id), 0);
    }
}

void Win32Form::report_row_change(Component& list) {
    const int row = list_view_current_row(list.window);
    if (row != list.known_row) {
        list.known_row = row;
        raise(list.description->name, EventKind::RowChanged);
    }
}

void Win32Form::restore_focus() {
    // Like a dialog: the control that had the focus when the window was
    // left gets it back, else the first control that takes the tab key.
    if (is_child_of(GetFocus(), m_window)) {
        return;
    }
    HWND target = IsWindow(m_last_focus) && is_child_of(m_last_focus, m_window)
                      ? m_last_focus
                      : GetNextDlgTabItem(m_window, nullptr, FALSE);
    SetFocus(target != nullptr ? target : m_window);
}

bool Win32Form::handle_set_cursor(HWND over, LPARAM lparam) {
    const Component* state = find(over);
    if (LOWORD(lparam) != HTCLIENT || state == nullptr ||
        state->description->cursor != CursorShape::Hand) {
        return false;
    }
    SetCursor(LoadCursorW(nullptr, IDC_HAND));
    return true;
}

LRESULT Win32Form::color_static(HDC dc, HWND control) {
    const Component* state = find(control);
    if (state != nullptr && state->description->type == ComponentType::TransparentLabel) {
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
    }
    return DefWindowProcW(m_window, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                          reinterpret_cast<LPARAM>(control));
}

void Win32Form::draw_picture_button(const DRAWITEMSTRUCT& item) {
    const Component* state = find_by_id(static_cast<int>(item.CtlID));
    if (state == nullptr || !state->pictures) {
        return;
    }
    FillRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_BTNFACE));
    const std::size_t look = (item.itemState & ODS_SELECTED) != 0 ? kPressedPicture
                             : state->hover                       ? kHoverPicture
                                                                  : kNormalPicture;
    if (!state->pictures->draw(item.hDC, item.rcItem, look)) {
        RECT frame = item.rcItem;
        DrawFrameControl(
            item.hDC, &frame, DFC_BUTTON,
            DFCS_BUTTONPUSH | ((item.itemState & ODS_SELECTED) != 0 ? DFCS_PUSHED : 0));
    }
    if ((item.itemState & ODS_FOCUS) != 0) {
        RECT focus = item.rcItem;
        InflateRect(&focus, -3, -3);
        DrawFocusRect(item.hDC, &focus);
    }
}

LRESULT CALLBACK Win32Form::control_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                         UINT_PTR subclass, DWORD_PTR data) {
    auto* form = reinterpret_cast<Win32Form*>(data);
    Component* state = form->find_by_id(static_cast<int>(subclass));
    if (message == WM_NCDESTROY || state == nullptr) {
        RemoveWindowSubclass(window, &Win32Form::control_proc, subclass);
        return DefSubclassProc(window, message, wparam, lparam);
    }
    switch (state->description->type) {
        case ComponentType::GroupBox:
            // A group box is the parent of the controls inside it; their
            // notifications belong to the window.
            if (message == WM_COMMAND || message == WM_NOTIFY || message == WM_CTLCOLORSTATIC ||
                message == WM_CTLCOLORBTN || message == WM_CTLCOLOREDIT || message == WM_DRAWITEM) {
                return form->handle_message(message, wparam, lparam);
            }
            break;
        case ComponentType::TransparentLabel:
            if (message == WM_LBUTTONDOWN) {
                form->raise(
                    state->description->name, EventKind::LeftButtonPressed,
                    EventArgs{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam), key_state(wparam)});
                return 0;
            }
            break;
        case ComponentType::PictureButton:
            if (message == WM_MOUSEMOVE && !state->hover) {
                state->hover = true;
                TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, window, 0};
                TrackMouseEvent(&track);
                InvalidateRect(window, nullptr, FALSE);
            } else if (message == WM_MOUSELEAVE) {
                state->hover = false;
                InvalidateRect(window, nullptr, FALSE);
            }
            break;
        default:
            break;
    }
    return DefSubclassProc(window, message, wparam, lparam);
}

void Win32Form::raise(std::string_view component, EventKind kind, const EventArgs& args) {
    if (m_window == nullptr) {
        return;
    }
    // The handler may destroy this window (and with it the table); both stay
    // alive until it returns.
    auto keep_alive = shared_from_this();
    if (const EventHandler handler = bound_handler(m_events, component, kind)) {
        m_runtime.run_handler([&handler, &args] { handler(args); });
    }
}

void Win32Form::window_gone() {
    for (const Component& state : m_components) {
        if (state.description->type == ComponentType::Timer) {
            KillTimer(m_window, static_cast<UINT_PTR>(state.id));
        }
    }
    m_window = nullptr;
    m_last_focus = nullptr;
    // Handlers often hold on to the program's state; releasing them with the
    // window breaks the cycle between the state and the window.
    m_events.clear();
    if (!m_in_destructor) {
        m_runtime.window_destroyed(*this);
    }
}

}  // namespace qorvex::runtime
