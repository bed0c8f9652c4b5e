#include "runtime/qt/multi_line_edit.h"

#include <QKeyEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QUtf8StringView>
#include <vector>

#include "runtime/qt/qt_text.h"
#include "runtime/runtime.h"

namespace qorvex::runtime::qt {

namespace {

// Block user states; -1 is what Qt gives every new block.
constexpr int kCrLf = -1;
constexpr int kLineFeed = 1;
constexpr int kCarriageReturn = 2;

struct ParsedText {
    QString shown;               // line ends replaced by paragraph separators
    std::vector<int> line_ends;  // one block state per line end, in order
    bool only_crlf = true;
};

ParsedText parse(std::string_view text) {
    const QString source = to_qstring(text);
    ParsedText parsed;
    parsed.shown.reserve(source.size());
    for (qsizetype i = 0; i < source.size(); ++i) {
        const QChar c = source[i];
        int line_end = kCrLf;
        if (c == QLatin1Char('\r')) {
            const bool crlf = i + 1 < source.size() && source[i + 1] == QLatin1Char('\n');
            line_end = crlf ? kCrLf : kCarriageReturn;
            i += crlf ? 1 : 0;
        } else if (c == QLatin1Char('\n')) {
            line_end = kLineFeed;
        } else {
            parsed.shown += c;
            continue;
        }
        parsed.shown += QChar(QChar::ParagraphSeparator);
        parsed.line_ends.push_back(line_end);
        parsed.only_crlf = parsed.only_crlf && line_end == kCrLf;
    }
    return parsed;
}

// Whether the document reads back exactly these bytes: valid UTF-8 without
// the two code points (U+FDD0, U+FDD1) that Qt turns into block breaks.
bool kept_as_written(std::string_view text) {
    return QUtf8StringView(text.data(), static_cast<qsizetype>(text.size())).isValidUtf8() &&
           text.find("\xEF\xB7\x90") == std::string_view::npos &&
           text.find("\xEF\xB7\x91") == std::string_view::npos;
}

std::string_view line_end_text(int state) {
    switch (state) {
        case kLineFeed:
            return "\n";
        case kCarriageReturn:
            return "\r";
        default:
            return "\r\n";
    }
}

}  // namespace

MultiLineEdit::MultiLineEdit(EditStyle style, QWidget* parent) : QPlainTextEdit(parent) {
    // An undo history would keep a second copy of everything appended.
    setUndoRedoEnabled(false);
    setTabChangesFocus(true);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(style == EditStyle::MultiLineWithScrollBar ? Qt::ScrollBarAlwaysOn
                                                                          : Qt::ScrollBarAlwaysOff);
    // The boxes hold lines of digits, which need no shaping; laying out the
    // lines a scan cycle appends is most of what the cycle costs the window.
    QFont plain = font();
    plain.setStyleStrategy(QFont::PreferNoShaping);
    setFont(plain);
    connect(document(), &QTextDocument::contentsChange, this,
            &MultiLineEdit::keep_user_breaks_crlf);
    connect(document(), &QTextDocument::contentsChange, this, [this](int, int, int) {
        if (!m_program_writing) {
            forget_program_copy();
        }
    });
}

std::string MultiLineEdit::program_text() const {
    return program_text_ref();
}

const std::string& MultiLineEdit::program_text_ref() const {
    if (!m_copy_current) {
        m_program_copy = document_text();
        m_copy_current = true;
    }
    return m_program_copy;
}

std::string MultiLineEdit::document_text() const {
    QString raw = document()->toRawText();
    if (!m_mixed_line_ends) {
        raw.replace(QChar(QChar::ParagraphSeparator), QStringLiteral("\r\n"));
        return to_utf8(raw);
    }
    std::string text;
    text.reserve(static_cast<std::size_t>(raw.size()) + static_cast<std::size_t>(raw.size() / 4));
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        text += to_utf8(QStringView(raw).mid(block.position(), block.length() - 1).toString());
        if (block.next().isValid()) {
            text += line_end_text(block.userState());
        }
    }
    return text;
}

void MultiLineEdit::visit_lines(const std::function<bool(std::string_view)>& visit) const {
    visit_text_lines(program_text_ref(), visit);
}

void MultiLineEdit::set_program_text(std::string_view text) {
    m_program_writing = true;
    clear();
    m_program_writing = false;
    m_mixed_line_ends = false;
    QTextCursor cursor(document());
    insert_at_end(cursor, text);
    cursor.movePosition(QTextCursor::Start);
    setTextCursor(cursor);
    m_program_copy.assign(text);
    m_copy_current = kept_as_written(text);
}

void MultiLineEdit::append_program_text(std::string_view text) {
    // As in a native edit box, the caret ends after the appended text and
    // the box shows it. A caret already at the end moves along with the
    // insert, and the bottom is then shown without laying out the caret.
    const QTextCursor caret = textCursor();
    const bool caret_at_end = caret.atEnd() && !caret.hasSelection();
    QTextCursor end(document());
    insert_at_end(end, text);
    if (caret_at_end) {
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    } else {
        setTextCursor(end);
    }
    if (!m_copy_current) {
        return;
    }
    if (kept_as_written(text)) {
        m_program_copy.append(text);
    } else {
        forget_program_copy();
    }
}

void MultiLineEdit::forget_program_copy() {
    m_copy_current = false;
    std::string().swap(m_program_copy);
}

void MultiLineEdit::insert_at_end(QTextCursor& cursor, std::string_view text) {
    cursor.movePosition(QTextCursor::End);
    const ParsedText parsed = parse(text);
    if (parsed.shown.isEmpty()) {
        return;
    }
    const int first_block = cursor.blockNumber();
    m_program_writing = true;
    cursor.insertText(parsed.shown);
    m_program_writing = false;
    if (parsed.only_crlf && !m_mixed_line_ends) {
        return;
    }
    // The block the text was appended to may carry a stale state from an
    // earlier edit, so every block that gained a line end is set.
    QTextBlock block = document()->findBlockByNumber(first_block);
    for (int line_end : parsed.line_ends) {
        block.setUserState(line_end);
        block = block.next();
    }
    m_mixed_line_ends = true;
}

void MultiLineEdit::keyPressEvent(QKeyEvent* event) {
    // Shift+Return would insert a line separator inside the line; the box
    // knows line breaks only.
    if (event->matches(QKeySequence::InsertLineSeparator)) {
        textCursor().insertBlock();
        ensureCursorVisible();
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void MultiLineEdit::keep_user_breaks_crlf(int position, int /*removed*/, int added) {
    if (m_program_writing || !m_mixed_line_ends) {
        return;
    }
    // Qt leaves the state of a split line on its first part; the line end it
    // records belongs after the last part, and the new breaks are the user's.
    QTextBlock block = document()->findBlock(position);
    QTextBlock last = document()->findBlock(position + added);
    if (!block.isValid() || !last.isValid() || block == last) {
        return;
    }
    const int kept = block.userState();
    for (; block.isValid() && block != last; block = block.next()) {
        block.setUserState(kCrLf);
    }
    last.setUserState(kept);
}

}  // namespace qorvex::runtime::qt
