#include <windows.h>

#include <algorithm>

#include "runtime/edit_words.h"
#include "runtime/multi_line_text.h"
#include "runtime/win32/line_view_state.h"
#include "win32/wide_text.h"

// The editing side of the line view: keys, characters, the mouse and the
// clipboard. The text is UTF-8 inside; the clipboard holds UTF-16.

namespace qorvex::runtime {

namespace {

constexpr wchar_t kSelectAll = 0x01;  // Ctrl+A as a character
constexpr wchar_t kCopy = 0x03;       // Ctrl+C
constexpr wchar_t kPaste = 0x16;      // Ctrl+V
constexpr wchar_t kCut = 0x18;        // Ctrl+X
constexpr wchar_t kUndo = 0x1A;       // Ctrl+Z
constexpr wchar_t kBackspace = 0x08;
constexpr wchar_t kDeleteCharacter = 0x7F;  // Ctrl+Backspace

bool continues_character(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0U) == 0x80U;
}

bool held(int key) {
    return GetKeyState(key) < 0;
}

// Text the user brings in breaks its lines with CR LF, as typed lines do.
std::string user_form(std::string_view text) {
    return program_form(display_form(text));
}

}  // namespace

namespace {

// The offset one character further; a line end counts as one character.
std::size_t next_character(const LineStore& store, std::size_t offset) {
    const std::size_t line = store.line_of(offset);
    if (offset >= store.line_end(line)) {
        return line + 1 < store.line_count() ? store.line_start(line + 1) : store.size();
    }
    std::size_t next = offset + 1;
    while (next < store.line_end(line) && continues_character(store.text()[next])) {
        ++next;
    }
    return next;
}

std::size_t previous_character(const LineStore& store, std::size_t offset) {
    const std::size_t line = store.line_of(offset);
    if (offset <= store.line_start(line)) {
        return line > 0 ? store.line_end(line - 1) : 0;
    }
    std::size_t previous = offset - 1;
    while (previous > store.line_start(line) && continues_character(store.text()[previous])) {
        --previous;
    }
    return previous;
}

}  // namespace

void LineViewState::move_caret(std::size_t to, bool extend) {
    caret = std::min(to, store.size());
    if (!extend) {
        anchor = caret;
    }
    show_caret_line();
}

void LineViewState::replace_selection(std::string_view piece, bool typing) {
    if (!modified && store.has_bare_line_ends()) {
        // Offsets move with the line ends, so the last edit can no longer be undone.
        undo_record.reset();
        // Edited text reads with CR LF line ends throughout; the lines stay
        // the lines they were, so caret and anchor keep line and column.
        const std::size_t caret_line = store.line_of(caret);
        const std::size_t anchor_line = store.line_of(anchor);
        const std::size_t caret_column = caret - store.line_start(caret_line);
        const std::size_t anchor_column = anchor - store.line_start(anchor_line);
        store.assign(user_form(store.text()));
        caret = store.line_start(caret_line) + caret_column;
        anchor = store.line_start(anchor_line) + anchor_column;
    }
    modified = true;
    const std::size_t from = selection_start();
    const std::size_t to = selection_end();
    remember_edit(from, std::string_view(store.text()).substr(from, to - from), piece.size(),
                  typing);
    store.replace(from, to, piece);
    move_caret(from + piece.size(), false);
}

void LineViewState::copy() const {
    if (caret == anchor || !OpenClipboard(window)) {
        return;
    }
    const std::wstring wide =
        win32::to_wide(std::string_view(store.text())
                           .substr(selection_start(), selection_end() - selection_start()));
    EmptyClipboard();
    const std::size_t bytes = (wide.size() + 1) * sizeof(wchar_t);
    if (HGLOBAL data = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
        if (void* target = GlobalLock(data)) {
            std::copy_n(wide.c_str(), wide.size() + 1, static_cast<wchar_t*>(target));
            GlobalUnlock(data);
            if (SetClipboardData(CF_UNICODETEXT, data) != nullptr) {
                data = nullptr;  // the clipboard owns it now
            }
        }
        if (data != nullptr) {
            GlobalFree(data);
        }
    }
    CloseClipboard();
}

void LineViewState::paste() {
    if (!OpenClipboard(window)) {
        return;
    }
    std::string text;
    bool found = false;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* wide = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = win32::to_utf8(wide);
            found = true;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    if (found) {
        replace_selection(user_form(text));
    }
}

bool LineViewState::key_down(WPARAM key) {
    const bool shift = held(VK_SHIFT);
    const bool control = held(VK_CONTROL);
    const std::size_t line = store.line_of(caret);
    const auto vertical = [this, line](long long lines) {
        const auto target = std::clamp<long long>(static_cast<long long>(line) + lines, 0,
                                                  static_cast<long long>(store.line_count()) - 1);
        return offset_in_line(static_cast<std::size_t>(target), x_of(caret));
    };
    const auto page = static_cast<long long>(page_lines());
    switch (key) {
        case VK_LEFT:
            move_caret(control ? previous_word_start(store.text(), caret)
                               : previous_character(store, caret),
                       shift);
            return true;
        case VK_RIGHT:
            move_caret(
                control ? next_word_start(store.text(), caret) : next_character(store, caret),
                shift);
            return true;
        case VK_UP:
            move_caret(vertical(-1), shift);
            return true;
        case VK_DOWN:
            move_caret(vertical(1), shift);
            return true;
        case VK_PRIOR:
            scroll_to(top > page_lines() ? top - page_lines() : 0);
            move_caret(vertical(-page), shift);
            return true;
        case VK_NEXT:
            scroll_to(top + page_lines());
            move_caret(vertical(page), shift);
            return true;
        case VK_HOME:
            move_caret(control ? 0 : store.line_start(line), shift);
            return true;
        case VK_END:
            move_caret(control ? store.size() : store.line_end(line), shift);
            return true;
        case VK_DELETE:
            if (shift) {
                copy();
            } else if (caret == anchor) {
                anchor = next_character(store, caret);
            }
            replace_selection({});
            return true;
        case VK_INSERT:
            if (control) {
                copy();
            } else if (shift) {
                paste();
            }
            return true;
        default:
            return false;
    }
}

void LineViewState::character(wchar_t c) {
    switch (c) {
        case kSelectAll:
            run_command(EditCommand::SelectAll);
            return;
        case kCopy:
            run_command(EditCommand::Copy);
            return;
        case kCut:
            run_command(EditCommand::Cut);
            return;
        case kPaste:
            run_command(EditCommand::Paste);
            return;
        case kUndo:
            run_command(EditCommand::Undo);
            return;
        case kBackspace:
            if (caret == anchor) {
                anchor = previous_character(store, caret);
            }
            replace_selection({});
            return;
        case L'\r':
            replace_selection("\r\n");
            return;
        default:
            break;
    }
    if (c < L' ' || c == kDeleteCharacter) {
        return;  // other control characters type nothing
    }
    if (IS_HIGH_SURROGATE(c)) {
        high_surrogate = c;  // the character's second half follows
        return;
    }
    std::wstring typed;
    if (IS_LOW_SURROGATE(c) && high_surrogate != 0) {
        typed += high_surrogate;
    }
    high_surrogate = 0;
    typed += c;
    replace_selection(win32::to_utf8(typed), true);
}

void LineViewState::mouse(UINT message, WPARAM keys, POINT point) {
    switch (message) {
        case WM_LBUTTONDOWN:
            if (GetFocus() != window) {
                SetFocus(window);
            }
            SetCapture(window);
            dragging = true;
            move_caret(offset_at(point), (keys & MK_SHIFT) != 0);
            return;
        case WM_LBUTTONDBLCLK: {
            const TextSpan word = word_around(store.text(), offset_at(point));
            anchor = word.start;
            move_caret(word.end, true);
            return;
        }
        case WM_MOUSEMOVE: {
            if (!dragging) {
                return;
            }
            // Dragging past the top or bottom edge scrolls a line each move.
            RECT client{};
            GetClientRect(window, &client);
            if (point.y < 0 && top > 0) {
                scroll_to(top - 1);
            } else if (point.y >= client.bottom) {
                scroll_to(top + 1);
            }
            move_caret(offset_at(point), true);
            return;
        }
        case WM_LBUTTONUP:
            if (dragging) {
                dragging = false;
                ReleaseCapture();
            }
            return;
        default:  // the capture went elsewhere
            dragging = false;
            return;
    }
}

}  // namespace qorvex::runtime
