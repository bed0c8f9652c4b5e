#pragma once

// The state behind one line view window, shared by its drawing and its
// editing halves.

#include <windows.h>

#include <cstddef>
#include <string>
#include <string_view>

#include "runtime/win32/line_store.h"

namespace qorvex::runtime {

struct LineViewState {
    HWND window = nullptr;
    LineStore store;
    std::size_t caret = 0;
    std::size_t anchor = 0;  // the other end of the selection
    std::size_t top = 0;     // first line in sight
    HFONT font = nullptr;
    int line_height = 16;
    int wheel_rest = 0;  // wheel turns not yet worth a line
    wchar_t high_surrogate = 0;
    bool modified = false;
    bool focused = false;
    bool dragging = false;

    std::size_t selection_start() const { return caret < anchor ? caret : anchor; }
    std::size_t selection_end() const { return caret < anchor ? anchor : caret; }
    // Whole lines that fit in the window, at least one.
    std::size_t page_lines() const;
    // The part of a line that is drawn: long lines are cut where no window
    // could show them.
    std::string_view shown_line(std::size_t line) const;

    // Drawing and scrolling (line_view.cpp).
    void scroll_to(std::size_t line);
    void show_caret_line();
    void place_caret();
    int x_of(std::size_t offset) const;
    std::size_t offset_at(POINT point) const;
    std::size_t offset_in_line(std::size_t line, int x) const;
    void paint(HDC dc, const RECT& area) const;

    // Editing (line_view_editing.cpp).
    void move_caret(std::size_t to, bool extend);
    void replace_selection(std::string_view piece);
    void copy() const;
    void paste();
    bool key_down(WPARAM key);
    void character(wchar_t c);
    void mouse(UINT message, WPARAM keys, POINT point);
};

}  // namespace qorvex::runtime
