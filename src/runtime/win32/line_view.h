#pragma once

// The multi-line edit boxes of the Win32 back end: a window class of the
// program's own that shows a LineStore, drawing only the lines in sight. The
// standard EDIT control walks all its lines on every append, scroll and
// repaint, which at a day's volume costs seconds each; this view costs what
// the visible lines cost. The user edits it as an edit box: click, drag and
// Shift with the arrow, Home, End and page keys select, a double click
// selects a word and Ctrl with the arrows moves by words, typing replaces the
// selection, Backspace and Delete delete, Enter breaks the line with CR LF,
// Ctrl+A, C, X, V and Z select all, work the clipboard and undo the last
// edit, the right-click menu offers the same, the wheel and the scroll bar
// scroll, and a line wider than the box scrolls sideways with the caret.
//
// It answers the messages tools and tests use on an edit control with the
// same meaning, except that positions are byte offsets into the UTF-8 text:
// WM_GETTEXT, WM_GETTEXTLENGTH, WM_SETTEXT, EM_GETSEL, EM_SETSEL,
// EM_LINEINDEX, EM_POSFROMCHAR, EM_GETLINECOUNT, EM_GETFIRSTVISIBLELINE, EM_GETMODIFY,
// EM_SETMODIFY, EM_CANUNDO, EM_UNDO, EM_EMPTYUNDOBUFFER, WM_UNDO, WM_COPY,
// WM_CUT, WM_PASTE, WM_CLEAR.

#include <windows.h>

#include <string>
#include <string_view>

namespace qorvex::runtime {

inline constexpr const wchar_t* kLineViewClass = L"QorvexLineView";

// Registers the window class once per process; false when Windows refuses.
bool register_line_view_class();

// The box's text: what the program wrote, exactly, until the user edits it;
// after an edit every line end reads as CR LF.
const std::string& line_view_text(HWND view);
// Both leave the box unmodified. The program's text goes to the end
// whatever the caret, and the box shows the end with the caret there.
void line_view_set_text(HWND view, std::string_view text);
void line_view_append(HWND view, std::string_view text);

}  // namespace qorvex::runtime
