#include <windows.h>

#include <algorithm>

#include "runtime/win32/line_view_state.h"
#include "win32/wide_text.h"

// The drawing side of the line view: which lines and which part of them are
// in sight, where a character is drawn and which character lies under a
// point. Only the lines in sight are converted and measured.

namespace qorvex::runtime {

namespace {

constexpr int kLeftMargin = 2;
// The most units a scroll bar is given; longer boxes count lines in blocks.
constexpr std::size_t kScrollUnits = std::size_t{1} << 16;

std::size_t scroll_scale(std::size_t lines) {
    return std::max<std::size_t>((lines + kScrollUnits - 1) / kScrollUnits, 1);
}

bool continues_character(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0U) == 0x80U;
}

// A device context of the view with its font selected, for measuring.
class MeasuringDc {
public:
    explicit MeasuringDc(const LineViewState& state)
        : m_window(state.window), m_dc(GetDC(state.window)) {
        m_old =
            SelectObject(m_dc, state.font != nullptr ? state.font : GetStockObject(SYSTEM_FONT));
    }
    ~MeasuringDc() {
        SelectObject(m_dc, m_old);
        ReleaseDC(m_window, m_dc);
    }
    MeasuringDc(const MeasuringDc&) = delete;
    MeasuringDc& operator=(const MeasuringDc&) = delete;

    HDC get() const { return m_dc; }

private:
    HWND m_window;
    HDC m_dc;
    HGDIOBJ m_old;
};

void measure(HDC dc, LineLayout& layout) {
    layout.ends.assign(layout.wide.size(), 0);
    if (layout.wide.empty()) {
        return;
    }
    SIZE extent{};
    GetTextExtentExPointW(dc, layout.wide.c_str(), static_cast<int>(layout.wide.size()), 0, nullptr,
                          layout.ends.data(), &extent);
}

// The first unit whose right edge lies beyond `x`, from the line's start.
std::size_t unit_at(const LineLayout& layout, int x) {
    return static_cast<std::size_t>(std::upper_bound(layout.ends.begin(), layout.ends.end(), x) -
                                    layout.ends.begin());
}

}  // namespace

std::size_t wide_length(std::string_view text) {
    std::size_t units = 0;
    for (const char byte : text) {
        const auto value = static_cast<unsigned char>(byte);
        units += (value & 0xC0U) == 0x80U ? 0U : (value >= 0xF0U ? 2U : 1U);
    }
    return units;
}

std::size_t LineViewState::page_lines() const {
    RECT client{};
    GetClientRect(window, &client);
    return static_cast<std::size_t>(std::max<LONG>(client.bottom / line_height, 1));
}

std::string_view LineViewState::line_text(std::size_t line) const {
    const std::size_t start = store.line_start(line);
    return std::string_view(store.text()).substr(start, store.line_end(line) - start);
}

LineLayout LineViewState::layout(std::size_t line) const {
    LineLayout result;
    result.wide = win32::to_wide(line_text(line));
    const MeasuringDc dc(*this);
    measure(dc.get(), result);
    return result;
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

std::size_t LineViewState::scroll_position(std::size_t track) const {
    return track * scroll_scale(store.line_count());
}

void LineViewState::scroll_left_to(int x) {
    left = std::max(x, 0);
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
    // A caret at the start of a line with nothing scrolled away is in sight
    // without measuring: the program's appends leave it there.
    if (left == 0 && caret == store.line_start(line)) {
        return;
    }
    // Left or right, as an edit box that scrolls sideways, a quarter of the
    // box at a time.
    RECT client{};
    GetClientRect(window, &client);
    const int x = x_of(caret);
    const int room = std::max<int>(client.right - kLeftMargin - 1, 1);
    const int jump = std::max<int>(room / 4, 1);
    if (x < kLeftMargin) {
        scroll_left_to(left - (kLeftMargin - x) - jump);
    } else if (x > room) {
        scroll_left_to(left + (x - room) + jump);
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
    const std::string_view text = line_text(line);
    const std::size_t length = std::min(offset - store.line_start(line), text.size());
    const std::wstring wide = win32::to_wide(text.substr(0, length));
    const MeasuringDc dc(*this);
    SIZE extent{};
    GetTextExtentPoint32W(dc.get(), wide.c_str(), static_cast<int>(wide.size()), &extent);
    return kLeftMargin - left + extent.cx;
}

std::size_t LineViewState::offset_at(POINT point) const {
    const long long row = point.y < 0 ? -1 - (-point.y - 1) / line_height : point.y / line_height;
    const long long wanted = static_cast<long long>(top) + row;
    return offset_in_line(static_cast<std::size_t>(std::clamp<long long>(
                              wanted, 0, static_cast<long long>(store.line_count()) - 1)),
                          point.x);
}

std::size_t LineViewState::offset_in_line(std::size_t line, int x) const {
    const LineLayout drawn = layout(line);
    const int along = x - kLeftMargin + left;
    // The caret goes before the first unit whose middle lies past the point,
    // never between the two halves of a surrogate pair.
    std::size_t unit = 0;
    while (unit < drawn.wide.size() && along >= (drawn.start_x(unit) + drawn.ends[unit]) / 2) {
        ++unit;
    }
    while (unit > 0 && unit < drawn.wide.size() && IS_LOW_SURROGATE(drawn.wide[unit])) {
        --unit;
    }
    // Back from UTF-16 units to bytes of the line's UTF-8 text.
    const std::string_view text = line_text(line);
    std::size_t offset = 0;
    for (std::size_t counted = 0; offset < text.size() && counted < unit;) {
        counted += static_cast<unsigned char>(text[offset]) >= 0xF0U ? 2U : 1U;
        ++offset;
        while (offset < text.size() && continues_character(text[offset])) {
            ++offset;
        }
    }
    return store.line_start(line) + offset;
}

void LineViewState::paint(HDC dc, const RECT& area) const {
    const bool enabled = IsWindowEnabled(window) != FALSE;
    FillRect(dc, &area, GetSysColorBrush(enabled ? COLOR_WINDOW : COLOR_BTNFACE));
    HGDIOBJ old = SelectObject(dc, font != nullptr ? font : GetStockObject(SYSTEM_FONT));
    SetBkMode(dc, TRANSPARENT);
    const std::size_t last = std::min(store.line_count(), top + page_lines() + 1);
    for (std::size_t line = top; line < last; ++line) {
        paint_line(dc, line, static_cast<int>(line - top) * line_height, enabled);
    }
    SelectObject(dc, old);
}

void LineViewState::paint_line(HDC dc, std::size_t line, int y, bool enabled) const {
    LineLayout drawn;
    drawn.wide = win32::to_wide(line_text(line));
    measure(dc, drawn);
    RECT client{};
    GetClientRect(window, &client);
    // Only the units in sight are drawn: a line may be far wider than the box.
    const std::size_t first = unit_at(drawn, left);
    const std::size_t end = std::min(drawn.wide.size(), unit_at(drawn, left + client.right) + 1);
    const auto x_at = [&drawn, this](std::size_t unit) {
        return kLeftMargin - left + drawn.start_x(unit);
    };
    // The selected part of the line on the highlight colour; a selected
    // line end shows as a short mark after the text.
    const std::size_t start = store.line_start(line);
    const std::string_view text = line_text(line);
    const std::size_t from = std::clamp(selection_start(), start, start + text.size());
    const std::size_t to = std::clamp(selection_end(), start, start + text.size());
    const bool marks_line_end =
        selection_start() <= store.line_end(line) && selection_end() > store.line_end(line);
    const std::size_t mark_from = wide_length(text.substr(0, from - start));
    const std::size_t mark_to = wide_length(text.substr(0, to - start));
    if (from < to || marks_line_end) {
        RECT mark{x_at(mark_from), y, x_at(mark_to) + (marks_line_end ? line_height / 3 : 0),
                  y + line_height};
        FillRect(dc, &mark, GetSysColorBrush(COLOR_HIGHLIGHT));
    }
    if (first < end) {
        SetTextColor(dc, GetSysColor(enabled ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
        TextOutW(dc, x_at(first), y, drawn.wide.c_str() + first, static_cast<int>(end - first));
    }
    const std::size_t marked_from = std::max(mark_from, first);
    const std::size_t marked_to = std::min(mark_to, end);
    if (marked_from < marked_to) {
        SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
        TextOutW(dc, x_at(marked_from), y, drawn.wide.c_str() + marked_from,
                 static_cast<int>(marked_to - marked_from));
    }
}

}  // namespace qorvex::runtime
