#pragma once

// The state behind one line view window, shared by its window procedure,
// its drawing, its editing and its commands.

#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/edit_menu.h"
#include "runtime/win32/line_store.h"

namespace qorvex::runtime {

// One line as drawn: its text in UTF-16 and the x after each of its units,
// counted from the line's own start.
struct LineLayout {
    std::wstring wide;
    std::vector<int> ends;

    int start_x(std::size_t unit) const { return unit == 0 ? 0 : ends[unit - 1]; }
};

// The last edit the user made, kept for Undo: the text from `at` on that the
// edit inserted (`inserted` bytes) replaced `removed`. Undoing swaps the two,
// so a second Undo makes the edit again, as in an edit control.
struct UndoRecord {
    std::size_t at = 0;
    std::string removed;
    std::size_t inserted = 0;
    bool typing = false;  // typed characters that the next typed one joins
};

struct LineViewState {
    HWND window = nullptr;
    LineStore store;
    std::size_t caret = 0;
    std::size_t anchor = 0;  // the other end of the selection
    std::size_t top = 0;     // first line in sight
    int left = 0;            // pixels of every line scrolled out of sight on the left
    HFONT font = nullptr;
    int line_height = 16;
    int wheel_rest = 0;  // wheel turns not yet worth a line
    wchar_t high_surrogate = 0;
    bool modified = false;
    bool focused = false;
    bool dragging = false;
    std::optional<UndoRecord> undo_record;

    std::size_t selection_start() const { return caret < anchor ? caret : anchor; }
    std::size_t selection_end() const { return caret < anchor ? anchor : caret; }
    // Whole lines that fit in the window, at least one.
    std::size_t page_lines() const;
    std::string_view line_text(std::size_t line) const;
    LineLayout layout(std::size_t line) const;

    // Drawing and scrolling (line_view_drawing.cpp).
    void scroll_to(std::size_t line);
    // The first line of a scroll bar position.
    std::size_t scroll_position(std::size_t track) const;
    // Scrolls so that the caret is in sight, up or down and left or right.
    void show_caret_line();
    void place_caret();
    int x_of(std::size_t offset) const;
    std::size_t offset_at(POINT point) const;
    std::size_t offset_in_line(std::size_t line, int x) const;
    void paint(HDC dc, const RECT& area) const;
    void paint_line(HDC dc, std::size_t line, int y, bool enabled) const;
    // Scrolls every line sideways so that `x` pixels of them lie out of sight.
    void scroll_left_to(int x);

    // Editing (line_view_editing.cpp).
    void move_caret(std::size_t to, bool extend);
    // The user's edit; `typing` for a typed character.
    void replace_selection(std::string_view piece, bool typing = false);
    void copy() const;
    void paste();
    bool key_down(WPARAM key);
    void character(wchar_t c);
    void mouse(UINT message, WPARAM keys, POINT point);

    // Undo, the right-click menu and its commands (line_view_commands.cpp).
    void remember_edit(std::size_t from, std::string_view removed, std::size_t inserted,
                       bool typing);
    void undo();
    void run_command(EditCommand command);
    // `at` in screen coordinates; (-1, -1) when the keyboard asked for it.
    void context_menu(POINT at);
};

// UTF-16 units of a UTF-8 text, counted without converting it.
std::size_t wide_length(std::string_view text);

}  // namespace qorvex::runtime
