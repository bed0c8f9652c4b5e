#include "runtime/win32/line_view.h"

#include <uxtheme.h>
#include <vssym32.h>
#include <windowsx.h>

#include <algorithm>
#include <memory>

#include "runtime/win32/line_view_state.h"
#include "win32/wide_text.h"

// The window side of the line view: its class and its messages.

namespace qorvex::runtime {

namespace {

LineViewState* state_of(HWND view) {
    return reinterpret_cast<LineViewState*>(GetWindowLongPtrW(view, GWLP_USERDATA));
}

void measure_font(LineViewState& state) {
    HDC dc = GetDC(state.window);
    HGDIOBJ old =
        SelectObject(dc, state.font != nullptr ? state.font : GetStockObject(SYSTEM_FONT));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(state.window, dc);
    state.line_height = std::max<int>(metrics.tmHeight, 1);
}

void paint_window(LineViewState& state) {
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(state.window, &paint);
    RECT client{};
    GetClientRect(state.window, &client);
    // Drawn off screen first, so the box does not flicker while a scan appends.
    HDC buffer = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, std::max<LONG>(client.right, 1),
                                            std::max<LONG>(client.bottom, 1));
    HGDIOBJ old_bitmap = SelectObject(buffer, bitmap);
    state.paint(buffer, client);
    BitBlt(dc, 0, 0, client.right, client.bottom, buffer, 0, 0, SRCCOPY);
    SelectObject(buffer, old_bitmap);
    DeleteObject(bitmap);
    DeleteDC(buffer);
    EndPaint(state.window, &paint);
}

// The sunken edge drawn as the theme draws an edit box's, so the boxes look
// as the edit controls they replace; without a theme Windows draws the
// classic edge itself.
void paint_frame(HWND window, HRGN region) {
    HTHEME theme = GetWindowTheme(window);
    if (theme == nullptr || (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) == 0) {
        DefWindowProcW(window, WM_NCPAINT, reinterpret_cast<WPARAM>(region), 0);
        return;
    }
    const int state = IsWindowEnabled(window) == FALSE ? ETS_DISABLED
                      : GetFocus() == window           ? ETS_FOCUSED
                                                       : ETS_NORMAL;
    RECT frame{};
    GetWindowRect(window, &frame);
    // What lies inside the edge (scroll bar included) is left to Windows.
    HRGN inside = CreateRectRgn(
        frame.left + GetSystemMetrics(SM_CXEDGE), frame.top + GetSystemMetrics(SM_CYEDGE),
        frame.right - GetSystemMetrics(SM_CXEDGE), frame.bottom - GetSystemMetrics(SM_CYEDGE));
    if (region != reinterpret_cast<HRGN>(1)) {
        CombineRgn(inside, inside, region, RGN_AND);
    }
    OffsetRect(&frame, -frame.left, -frame.top);
    HDC dc = GetWindowDC(window);
    if (IsThemeBackgroundPartiallyTransparent(theme, EP_EDITTEXT, state)) {
        DrawThemeParentBackground(window, dc, &frame);
    }
    DrawThemeBackground(theme, dc, EP_EDITTEXT, state, &frame, nullptr);
    ReleaseDC(window, dc);
    DefWindowProcW(window, WM_NCPAINT, reinterpret_cast<WPARAM>(inside), 0);
    DeleteObject(inside);
}

void scroll_message(LineViewState& state, WPARAM wparam) {
    const std::size_t page = state.page_lines();
    std::size_t top = state.top;
    switch (LOWORD(wparam)) {
        case SB_LINEUP:
            top = top > 0 ? top - 1 : 0;
            break;
        case SB_LINEDOWN:
            ++top;
            break;
        case SB_PAGEUP:
            top = top > page ? top - page : 0;
            break;
        case SB_PAGEDOWN:
            top += page;
            break;
        case SB_TOP:
            top = 0;
            break;
        case SB_BOTTOM:
            top = state.store.line_count();
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: {
            // The position in the message has 16 bits; the scroll bar keeps all 32.
            SCROLLINFO info{sizeof(info), SIF_ALL, 0, 0, 0, 0, 0};
            GetScrollInfo(state.window, SB_VERT, &info);
            const int last = info.nMax + 1 - static_cast<int>(info.nPage);
            top =
                info.nTrackPos >= last
                    ? state.store.line_count()
                    : state.scroll_position(static_cast<std::size_t>(std::max(info.nTrackPos, 0)));
            break;
        }
        default:
            return;
    }
    state.scroll_to(top);
}

void wheel_message(LineViewState& state, WPARAM wparam) {
    UINT lines_per_notch = 3;
    SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines_per_notch, 0);
    if (lines_per_notch == WHEEL_PAGESCROLL) {
        lines_per_notch = static_cast<UINT>(state.page_lines());
    }
    state.wheel_rest += GET_WHEEL_DELTA_WPARAM(wparam);
    const int notches = state.wheel_rest / WHEEL_DELTA;
    state.wheel_rest -= notches * WHEEL_DELTA;
    const long long lines = static_cast<long long>(notches) * lines_per_notch;
    const auto top = static_cast<long long>(state.top) - lines;
    state.scroll_to(static_cast<std::size_t>(std::max<long long>(top, 0)));
}

// A tilted wheel or a touch pad moves the lines sideways.
void horizontal_wheel_message(LineViewState& state, WPARAM wparam) {
    state.scroll_left_to(state.left +
                         GET_WHEEL_DELTA_WPARAM(wparam) * state.line_height / WHEEL_DELTA);
}

LRESULT get_text(const LineViewState& state, WPARAM capacity, LPARAM buffer) {
    if (capacity == 0 || buffer == 0) {
        return 0;
    }
    // No UTF-16 unit takes more than three bytes of UTF-8, so only the part
    // of the text that can fit the buffer is converted.
    std::string_view text = state.store.text();
    std::size_t cut = std::min<std::size_t>(text.size(), capacity * 3);
    while (cut < text.size() && cut > 0 &&
           (static_cast<unsigned char>(text[cut]) & 0xC0U) == 0x80U) {
        --cut;
    }
    const std::wstring wide = win32::to_wide(text.substr(0, cut));
    const std::size_t copied = std::min<std::size_t>(wide.size(), capacity - 1);
    auto* target = reinterpret_cast<wchar_t*>(buffer);
    std::copy_n(wide.data(), copied, target);
    target[copied] = L'\0';
    return static_cast<LRESULT>(copied);
}

LRESULT edit_message(LineViewState& state, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case EM_GETSEL:
            if (wparam != 0) {
                *reinterpret_cast<DWORD*>(wparam) = static_cast<DWORD>(state.selection_start());
            }
            if (lparam != 0) {
                *reinterpret_cast<DWORD*>(lparam) = static_cast<DWORD>(state.selection_end());
            }
            return MAKELRESULT(state.selection_start(), state.selection_end());
        case EM_SETSEL: {
            const std::size_t size = state.store.size();
            const auto to_offset = [size](WPARAM value) {
                const auto signed_value = static_cast<INT_PTR>(value);
                return signed_value < 0 ? size : std::min<std::size_t>(value, size);
            };
            state.anchor = to_offset(wparam);
            state.move_caret(to_offset(static_cast<WPARAM>(lparam)), true);
            return 0;
        }
        case EM_LINEINDEX: {
            const auto line = static_cast<INT_PTR>(wparam) < 0 ? state.store.line_of(state.caret)
                                                               : static_cast<std::size_t>(wparam);
            return line < state.store.line_count()
                       ? static_cast<LRESULT>(state.store.line_start(line))
                       : -1;
        }
        case EM_POSFROMCHAR: {
            const std::size_t offset = std::min<std::size_t>(wparam, state.store.size());
            const auto line = static_cast<long long>(state.store.line_of(offset));
            const auto y = (line - static_cast<long long>(state.top)) * state.line_height;
            return MAKELRESULT(state.x_of(offset), static_cast<short>(y));
        }
        case EM_GETFIRSTVISIBLELINE:
            return static_cast<LRESULT>(state.top);
        case EM_GETLINECOUNT:
            return static_cast<LRESULT>(state.store.line_count());
        case EM_GETMODIFY:
            return state.modified ? TRUE : FALSE;
        case EM_SETMODIFY:
            state.modified = wparam != 0;
            return 0;
        case EM_SETLIMITTEXT:
            return 0;  // the view has no limit but memory
        case EM_CANUNDO:
            return state.undo_record ? TRUE : FALSE;
        case EM_UNDO:
        case WM_UNDO:
            state.run_command(EditCommand::Undo);
            return TRUE;
        case EM_EMPTYUNDOBUFFER:
            state.undo_record.reset();
            return 0;
        default:
            return DefWindowProcW(state.window, message, wparam, lparam);
    }
}

LRESULT handle(LineViewState& state, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_SETFONT:
            state.font = reinterpret_cast<HFONT>(wparam);
            measure_font(state);
            state.scroll_to(state.top);
            if (LOWORD(lparam) != 0) {
                InvalidateRect(state.window, nullptr, FALSE);
            }
            return 0;
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(state.font);
        case WM_SIZE:
            state.scroll_to(state.top);
            return 0;
        case WM_NCPAINT:
            paint_frame(state.window, reinterpret_cast<HRGN>(wparam));
            return 0;
        case WM_THEMECHANGED:
            CloseThemeData(GetWindowTheme(state.window));
            OpenThemeData(state.window, L"Edit");
            return 0;
        case WM_ERASEBKGND:
            return TRUE;  // painting fills the whole window
        case WM_PAINT:
            paint_window(state);
            return 0;
        case WM_ENABLE:
            InvalidateRect(state.window, nullptr, FALSE);
            return 0;
        case WM_VSCROLL:
            scroll_message(state, wparam);
            return 0;
        case WM_MOUSEWHEEL:
            wheel_message(state, wparam);
            return 0;
        case WM_MOUSEHWHEEL:
            horizontal_wheel_message(state, wparam);
            return 0;
        case WM_SETFOCUS:
            state.focused = true;
            CreateCaret(state.window, nullptr, 1, state.line_height);
            state.place_caret();
            ShowCaret(state.window);
            InvalidateRect(state.window, nullptr, FALSE);
            return 0;
        case WM_KILLFOCUS:
            state.focused = false;
            state.dragging = false;
            DestroyCaret();
            InvalidateRect(state.window, nullptr, FALSE);
            return 0;
        case WM_GETDLGCODE:
            return DLGC_WANTCHARS | DLGC_WANTARROWS | DLGC_HASSETSEL |
                   (lparam != 0 && reinterpret_cast<const MSG*>(lparam)->message == WM_KEYDOWN &&
                            reinterpret_cast<const MSG*>(lparam)->wParam == VK_RETURN
                        ? DLGC_WANTMESSAGE
                        : 0);
        case WM_KEYDOWN:
            if (state.key_down(wparam)) {
                return 0;
            }
            break;
        case WM_CHAR:
            state.character(static_cast<wchar_t>(wparam));
            return 0;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
        case WM_MOUSEMOVE:
        case WM_LBUTTONUP:
        case WM_CAPTURECHANGED:
            state.mouse(message, wparam, {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)});
            return 0;
        case WM_CONTEXTMENU:
            state.context_menu({GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)});
            return 0;
        case WM_COMMAND:
            // The right-click menu's choice: its item identifiers are commands.
            if (HIWORD(wparam) == 0 && lparam == 0 && LOWORD(wparam) >= 1 &&
                LOWORD(wparam) <= edit_menu_entries().size()) {
                state.run_command(static_cast<EditCommand>(LOWORD(wparam) - 1));
            }
            return 0;
        case WM_COPY:
            state.run_command(EditCommand::Copy);
            return 0;
        case WM_CUT:
            state.run_command(EditCommand::Cut);
            return 0;
        case WM_CLEAR:
            state.run_command(EditCommand::Delete);
            return 0;
        case WM_PASTE:
            state.run_command(EditCommand::Paste);
            return 0;
        case WM_SETTEXT:
            line_view_set_text(
                state.window, lparam != 0 ? win32::to_utf8(reinterpret_cast<const wchar_t*>(lparam))
                                          : std::string());
            return TRUE;
        case WM_GETTEXTLENGTH:
            return static_cast<LRESULT>(wide_length(state.store.text()));
        case WM_GETTEXT:
            return get_text(state, wparam, lparam);
        default:
            return edit_message(state, message, wparam, lparam);
    }
    return DefWindowProcW(state.window, message, wparam, lparam);
}

LRESULT CALLBACK line_view_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        auto state = std::make_unique<LineViewState>();
        state->window = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state.release()));
    }
    LineViewState* state = state_of(window);
    if (message == WM_NCDESTROY) {
        CloseThemeData(GetWindowTheme(window));
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        delete state;
        return DefWindowProcW(window, message, wparam, lparam);
    }
    if (message == WM_CREATE) {
        OpenThemeData(window, L"Edit");  // kept with the window, for its edge
    }
    if (state == nullptr || message == WM_NCCREATE || message == WM_CREATE) {
        return DefWindowProcW(window, message, wparam, lparam);
    }
    return handle(*state, message, wparam, lparam);
}

}  // namespace

bool register_line_view_class() {
    WNDCLASSEXW view_class{};
    view_class.cbSize = sizeof(view_class);
    if (GetClassInfoExW(GetModuleHandleW(nullptr), kLineViewClass, &view_class)) {
        return true;
    }
    // Double clicks select a word.
    view_class.style = CS_DBLCLKS;
    view_class.lpfnWndProc = &line_view_proc;
    view_class.hInstance = GetModuleHandleW(nullptr);
    view_class.hCursor = LoadCursorW(nullptr, IDC_IBEAM);
    view_class.lpszClassName = kLineViewClass;
    return RegisterClassExW(&view_class) != 0;
}

const std::string& line_view_text(HWND view) {
    static const std::string kNone;
    const LineViewState* state = state_of(view);
    return state != nullptr ? state->store.text() : kNone;
}

void line_view_set_text(HWND view, std::string_view text) {
    if (LineViewState* state = state_of(view)) {
        // As with an edit control, new text shows from its first line.
        state->store.assign(text);
        state->modified = false;
        state->undo_record.reset();
        state->anchor = state->caret = 0;
        state->left = 0;
        state->scroll_to(0);
    }
}

void line_view_append(HWND view, std::string_view text) {
    if (LineViewState* state = state_of(view)) {
        state->store.append(text);
        state->modified = false;
        state->anchor = state->caret = state->store.size();
        state->show_caret_line();
    }
}

}  // namespace qorvex::runtime
