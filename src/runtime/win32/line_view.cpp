#include "runtime/win32/line_view.h"

#include <uxtheme.h>
#include <vssym32.h>
#include <windowsx.h>

#include <algorithm>
#include <memory>

#include "runtime/win32/line_view_state.h"
#include "win32/wide_text.h"

// The window side of the line view: its class, its messages, drawing and
// scrolling. Only the lines in sight are converted and drawn.

namespace qorvex::runtime {

namespace {

// No box is wider than this many bytes of text can fill.
constexpr std::size_t kShownLineBytes = 2048;
constexpr int kLeftMargin = 2;
// The most units a scroll bar is given; longer boxes count lines in blocks.
constexpr std::size_t kScrollUnits = std::size_t{1} << 16;

std::size_t scroll_scale(std::size_t lines) {
    return std::max<std::size_t>((lines + kScrollUnits - 1) / kScrollUnits, 1);
}

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
            top = info.nTrackPos >= last ? state.store.line_count()
                                         : static_cast<std::size_t>(std::max(info.nTrackPos, 0)) *
                                               scroll_scale(state.store.line_count());
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

// UTF-16 units of a UTF-8 text, counted without converting it: a week's
// text would take 600 MiB as UTF-16.
std::size_t wide_length(std::string_view text) {
    std::size_t units = 0;
    for (const char byte : text) {
        const auto value = static_cast<unsigned char>(byte);
        units += (value & 0xC0U) == 0x80U ? 0U : (value >= 0xF0U ? 2U : 1U);
    }
    return units;
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
        case WM_MOUSEMOVE:
        case WM_LBUTTONUP:
        case WM_CAPTURECHANGED:
            state.mouse(message, wparam, {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)});
            return 0;
        case WM_COPY:
            state.copy();
            return 0;
        case WM_CUT:
            state.copy();
            state.replace_selection({});
            return 0;
        case WM_CLEAR:
            state.replace_selection({});
            return 0;
        case WM_PASTE:
            state.paste();
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

std::size_t LineViewState::page_lines() const {
    RECT client{};
    GetClientRect(window, &client);
    return static_cast<std::size_t>(std::max<LONG>(client.bottom / line_height, 1));
}

std::string_view LineViewState::shown_line(std::size_t line) const {
    const std::size_t start = store.line_start(line);
    std::size_t end = std::min(store.line_end(line), start + kShownLineBytes);
    // A cut line ends before a character, not inside one.
    while (end > start && end < store.line_end(line) &&
           (static_cast<unsigned char>(store.text()[end]) & 0xC0U) == 0x80U) {
        --end;
    }
    return std::string_view(store.text()).substr(start, end - start);
}

void LineViewState::scroll_to(std::size_t line) {
    const std::size_t count = store.line_count();
    const std::size_t page = page_lines();
    top = std::min(line, count > page ? count - page : 0);
    if ((GetWindowLongPtrW(window, GWL_STYLE) & WS_VSCROLL) != 0) {
        // Wine's scroll bar costs time that grows with its range, 22 ms a
        // change at 12 million lines, so a long box counts several lines a
        // unit. Positions travel in SCROLLINFO, never in 16-bit messages.
        const std::size_t scale = scroll_scale(count);
        SCROLLINFO info{};
        info.cbSize = sizeof(info);
        info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
        info.nMax = static_cast<int>((count - 1) / scale);
        info.nPage = static_cast<UINT>(std::max<std::size_t>(page / scale, 1));
        const bool at_end = top + page >= count;
        info.nPos = at_end ? info.nMax : static_cast<int>(top / scale);
        SetScrollInfo(window, SB_VERT, &info, TRUE);
    }
    place_caret();
    InvalidateRect(window, nullptr, FALSE);
}

void LineViewState::show_caret_line() {
    const std::size_t line = store.line_of(caret);
    const std::size_t page = page_lines();
    if (line < top) {
        scroll_to(line);
    } else if (line >= top + page) {
        scroll_to(line + 1 - page);
    } else {
        place_caret();
        InvalidateRect(window, nullptr, FALSE);
    }
}

void LineViewState::place_caret() {
    if (!focused) {
        return;
    }
    const std::size_t line = store.line_of(caret);
    if (line < top || line >= top + page_lines() + 1) {
        SetCaretPos(-line_height * 4, -line_height * 4);  // out of sight
        return;
    }
    SetCaretPos(x_of(caret), static_cast<int>(line - top) * line_height);
}

int LineViewState::x_of(std::size_t offset) const {
    const std::size_t line = store.line_of(offset);
    const std::string_view shown = shown_line(line);
    const std::size_t length = std::min(offset - store.line_start(line), shown.size());
    const std::wstring wide = win32::to_wide(shown.substr(0, length));
    HDC dc = GetDC(window);
    HGDIOBJ old = SelectObject(dc, font != nullptr ? font : GetStockObject(SYSTEM_FONT));
    SIZE extent{};
    GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &extent);
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    return kLeftMargin + extent.cx;
}

std::size_t LineViewState::offset_at(POINT point) const {
    const long long row = point.y < 0 ? -1 - (-point.y - 1) / line_height : point.y / line_height;
    const long long wanted = static_cast<long long>(top) + row;
    return offset_in_line(static_cast<std::size_t>(std::clamp<long long>(
                              wanted, 0, static_cast<long long>(store.line_count()) - 1)),
                          point.x);
}

std::size_t LineViewState::offset_in_line(std::size_t line, int x) const {
    const std::string_view shown = shown_line(line);
    std::size_t offset = store.line_start(line);
    // Steps one character at a time until the point lies before its middle.
    int previous = kLeftMargin;
    std::size_t at = 0;
    while (at < shown.size()) {
        std::size_t next = at + 1;
        while (next < shown.size() && (static_cast<unsigned char>(shown[next]) & 0xC0U) == 0x80U) {
            ++next;
        }
        const int right = x_of(offset + next);
        if (x < (previous + right) / 2) {
            break;
        }
        previous = right;
        at = next;
    }
    return offset + at;
}

void LineViewState::paint(HDC dc, const RECT& area) const {
    const bool enabled = IsWindowEnabled(window) != FALSE;
    FillRect(dc, &area, GetSysColorBrush(enabled ? COLOR_WINDOW : COLOR_BTNFACE));
    HGDIOBJ old = SelectObject(dc, font != nullptr ? font : GetStockObject(SYSTEM_FONT));
    SetBkMode(dc, TRANSPARENT);
    const std::size_t from = selection_start();
    const std::size_t to = selection_end();
    const std::size_t last = std::min(store.line_count(), top + page_lines() + 1);
    for (std::size_t line = top; line < last; ++line) {
        const int y = static_cast<int>(line - top) * line_height;
        const std::size_t start = store.line_start(line);
        const std::string_view shown = shown_line(line);
        // The selected part, clipped to the line, on the highlight colour.
        const std::size_t mark_from = std::clamp(from, start, start + shown.size());
        const std::size_t mark_to = std::clamp(to, start, start + shown.size());
        const bool marks_line_end = from <= store.line_end(line) && to > store.line_end(line);
        if (from != to && (mark_from < mark_to || marks_line_end)) {
            const int left = x_of(mark_from);
            const int right = x_of(mark_to) + (marks_line_end ? line_height / 3 : 0);
            RECT mark{left, y, right, y + line_height};
            FillRect(dc, &mark, GetSysColorBrush(COLOR_HIGHLIGHT));
        }
        const std::wstring wide = win32::to_wide(shown);
        SetTextColor(dc, GetSysColor(enabled ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
        TextOutW(dc, kLeftMargin, y, wide.c_str(), static_cast<int>(wide.size()));
        if (mark_from < mark_to) {
            const std::wstring marked = win32::to_wide(
                std::string_view(store.text()).substr(mark_from, mark_to - mark_from));
            SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
            TextOutW(dc, x_of(mark_from), y, marked.c_str(), static_cast<int>(marked.size()));
        }
    }
    SelectObject(dc, old);
}

bool register_line_view_class() {
    WNDCLASSEXW view_class{};
    view_class.cbSize = sizeof(view_class);
    if (GetClassInfoExW(GetModuleHandleW(nullptr), kLineViewClass, &view_class)) {
        return true;
    }
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
        state->anchor = state->caret = 0;
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
