#pragma once

// A multi-line edit box made for result boxes that grow by a few hundred
// lines every scan cycle for days (a week is about 25 million lines).
//
// The text lives in a Scintilla document: the bytes once, in a gap buffer,
// plus one line start per line, and no per-character styles. The document
// keeps the bytes the program wrote, so CR LF stays CR LF, a lone LF or CR
// stays lone and a missing final line end stays missing; line breaks the
// user types or pastes become CR LF. Appending costs in proportion to the
// appended text, and reading the lines back is one scan of the buffer.
//
// The user edits it as an edit box: the right-click menu of runtime/edit_menu.h,
// words as runtime/edit_words.h finds them for double clicks and Ctrl+arrows,
// and undo of the user's own edits (the program's writes are never recorded,
// so the history holds no copy of what the scan appends).
//
// Like a native multi-line edit box without horizontal scrolling, the box
// breaks a line too long for its width. Breaking means laying out every
// line, which costs far more than the rest of an append, so the box starts
// doing it only once it holds a line that needs it; lines of numbers never do.

#include <Qsci/qsciscintillabase.h>

#include <functional>
#include <string>
#include <string_view>

#include "runtime/edit_menu.h"
#include "runtime/form_description.h"

namespace qorvex::runtime::qt {

class MultiLineEdit : public QsciScintillaBase {
    Q_OBJECT

public:
    MultiLineEdit(EditStyle style, QWidget* parent);

    std::string program_text() const;
    void set_program_text(std::string_view text);
    // Moves the caret to the end and inserts there, as a native edit box does.
    void append_program_text(std::string_view text);
    // Calls `visit` with each piece of program_text() between CR LF line ends
    // (an empty rest after the last one is no line) until it returns false,
    // without building the whole text.
    void visit_lines(const std::function<bool(std::string_view)>& visit) const;

    void run_command(EditCommand command);

protected:
    void changeEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // Tab moves the focus on, as in a dialog's edit box.
    bool focusNextPrevChild(bool next) override;

private:
    // The document's bytes, valid until it next changes.
    std::string_view document_bytes() const;
    // Writes of the program, kept out of the user's undo history.
    void write_unrecorded(const std::function<void()>& write);
    void show_font();
    void show_palette();
    void show_scroll_bars();
    // Starts breaking long lines if one of the lines from `first` to `last`
    // is wider than the box.
    void break_lines_if_too_wide(long first, long last);
    bool too_wide(long line) const;

    EditStyle m_style;
    bool m_breaking_lines = false;
    // The widest printable ASCII character and the widest digit: a line of
    // ASCII short enough fits without being measured.
    int m_widest_ascii = 1;
    int m_widest_digit = 1;
};

}  // namespace qorvex::runtime::qt
