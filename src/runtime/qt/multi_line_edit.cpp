#include "runtime/qt/multi_line_edit.h"

#include <QKeyEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <algorithm>
#include <vector>

#include "runtime/qt/qt_text.h"

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

// Characters read per slice when walking a box's lines.
constexpr int kVisitSlice = 1 << 16;

void append_utf8(std::string& out, QStringView text) {
    for (const QChar c : text) {
        if (c.unicode() >= 0x80) {
            const QByteArray bytes = text.toUtf8();
            out.append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
            return;
        }
    }
    for (const QChar c : text) {
        out.push_back(static_cast<char>(c.unicode()));
    }
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
    connect(document(), &QTextDocument::contentsChange, this,
            &MultiLineEdit::keep_user_breaks_crlf);
}

std::string MultiLineEdit::program_text() const {
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
    if (!m_mixed_line_ends) {
        visit_crlf_lines(visit);
        return;
    }
    std::string line;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        line += to_utf8(block.text());
        if (!block.next().isValid()) {
            if (!line.empty()) {
                visit(line);
            }
            return;
        }
        const int line_end = m_mixed_line_ends ? block.userState() : kCrLf;
        // A lone CR ending one line and a lone LF ending the next make CR LF.
        const bool completes_crlf = line_end == kLineFeed && !line.empty() && line.back() == '\r';
        if (line_end == kCrLf || completes_crlf) {
            if (completes_crlf) {
                line.pop_back();
            }
            if (!visit(line)) {
                return;
            }
            line.clear();
        } else {
            line += line_end_text(line_end);
        }
    }
}

void MultiLineEdit::visit_crlf_lines(const std::function<bool(std::string_view)>& visit) const {
    // Every block ends in CR LF, so blocks are lines. The document's text is
    // read in slices through a cursor: a box of millions of lines is walked
    // in one pass, without a per-block string or a copy of its whole text.
    const int length = document()->characterCount() - 1;  // the last block has no separator
    QTextCursor cursor(document());
    std::string line;
    for (int start = 0; start < length;) {
        int end = std::min(start + kVisitSlice, length);
        cursor.setPosition(start);
        cursor.setPosition(end, QTextCursor::KeepAnchor);
        QString slice = cursor.selectedText();
        // A surrogate pair cut by the slice goes whole into the next one.
        if (end < length && !slice.isEmpty() && slice.back().isHighSurrogate()) {
            slice.chop(1);
            --end;
        }
        qsizetype from = 0;
        for (qsizetype i = 0; i <= slice.size(); ++i) {
            const bool separator = i < slice.size() && slice[i] == QChar::ParagraphSeparator;
            if (!separator && i < slice.size()) {
                continue;
            }
            append_utf8(line, QStringView(slice).mid(from, i - from));
            if (separator) {
                if (!visit(line)) {
                    return;
                }
                line.clear();
            }
            from = i + 1;
        }
        start = end;
    }
    if (!line.empty()) {
        visit(line);
    }
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
}

void MultiLineEdit::append_program_text(std::string_view text) {
    QTextCursor cursor = textCursor();
    insert_at_end(cursor, text);
    setTextCursor(cursor);
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
