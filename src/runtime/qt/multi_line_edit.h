#pragma once

// A multi-line edit box that gives back exactly the text the program wrote:
// CR LF stays CR LF, a lone LF or CR stays lone and a missing final line end
// stays missing. Line breaks the user types read back as CR LF.
//
// The text lives in the widget's document, one block per line. Each
// block's user state records the line end that follows it; the default state
// (-1) stands for CR LF, so a box that only ever holds CR LF line ends carries
// no extra data and is read back in one pass. Appending costs in proportion
// to the appended text, which matters for result boxes that grow by a few
// hundred lines every scan cycle for days.

#include <QPlainTextEdit>
#include <functional>
#include <string>
#include <string_view>

#include "runtime/form_description.h"

namespace qorvex::runtime::qt {

class MultiLineEdit : public QPlainTextEdit {
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

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void insert_at_end(QTextCursor& cursor, std::string_view text);
    void keep_user_breaks_crlf(int position, int removed, int added);
    // The text as the document holds it, read block by block.
    std::string document_text() const;
    const std::string& program_text_ref() const;
    void forget_program_copy();

    bool m_program_writing = false;
    // Set once a line end other than CR LF has been written; until then no
    // block state needs to be looked at.
    bool m_mixed_line_ends = false;
    // The program's own text, kept beside the document while only the
    // program writes to the box: reading it back (the number lookup walks
    // millions of lines) then costs one scan of a string, where walking the
    // document's fragments costs seconds at a day's volume. A user edit
    // drops the copy; the next read rebuilds it from the document.
    mutable std::string m_program_copy;
    mutable bool m_copy_current = true;
};

}  // namespace qorvex::runtime::qt
