#include "runtime/qt/multi_line_edit.h"

#include <QAccessibleWidget>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QEvent>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QPalette>
#include <algorithm>
#include <cmath>
#include <mutex>

#include "runtime/qt/qt_text.h"
#include "runtime/runtime.h"

namespace qorvex::runtime::qt {

namespace {

// Scintilla takes font sizes in points; the forms give pixels.
constexpr double kPointsPerInch = 72.0;
// A native edit box keeps about a pixel from its border.
constexpr long kTextMargin = 1;
constexpr int kMarginCount = 5;
// A box is looked at whole when it is resized only while it holds no more
// lines than this: that happens when the window is made, with its initial text.
constexpr long kLinesCheckedOnResize = 10'000;

// QScintilla's accessible text counts the characters from the start of the
// document to the caret whenever the caret or the text changes, assistive
// technology or not: with a week of lines every repaint cost seconds. The
// boxes are described as plain editable text instead. Factories installed
// later are asked first, so this one is installed after QScintilla's own.
QAccessibleInterface* plain_accessible_box(const QString& /*class_name*/, QObject* object) {
    if (auto* box = qobject_cast<MultiLineEdit*>(object)) {
        return new QAccessibleWidget(box, QAccessible::EditableText);
    }
    return nullptr;
}

void describe_boxes_plainly() {
    static std::once_flag installed;
    std::call_once(installed, [] { QAccessible::installFactory(plain_accessible_box); });
}

// Words as the edit control finds them: every printable character that is
// not a blank belongs to a word, punctuation and characters beyond ASCII
// included (Scintilla would make punctuation a class of its own).
QByteArray word_characters() {
    QByteArray characters;
    for (int c = 0x21; c <= 0xFF; ++c) {
        if (c != 0x7F) {
            characters.append(static_cast<char>(c));
        }
    }
    return characters;
}

}  // namespace

MultiLineEdit::MultiLineEdit(EditStyle style, QWidget* parent)
    : QsciScintillaBase(parent), m_style(style) {
    describe_boxes_plainly();
    // A document without per-character styles: result boxes hold plain
    // lines, and styles would double the memory a line costs.
    const long document =
        SendScintilla(SCI_CREATEDOCUMENT, 0UL, static_cast<long>(SC_DOCUMENTOPTION_STYLES_NONE));
    SendScintilla(SCI_SETDOCPOINTER, 0UL, document);
    SendScintilla(SCI_RELEASEDOCUMENT, 0UL, document);
    SendScintilla(SCI_SETLEXER, static_cast<unsigned long>(SCLEX_NULL));
    SendScintilla(SCI_SETCODEPAGE, static_cast<unsigned long>(SC_CP_UTF8));
    SendScintilla(SCI_SETEOLMODE, static_cast<unsigned long>(SC_EOL_CRLF));
    SendScintilla(SCI_SETPASTECONVERTENDINGS, 1UL);
    SendScintilla(SCI_SETWORDCHARS, 0UL, word_characters().constData());
    // Nothing listens to change notifications: besides, QScintilla counts
    // the characters up to every change it notifies.
    SendScintilla(SCI_SETMODEVENTMASK, 0UL);
    // The lines the box shows are looked at whenever its text or its place
    // in the text changed: a line the user types or pastes, or one the
    // program appended and the user scrolls to.
    connect(this, &QsciScintillaBase::SCN_UPDATEUI, this, [this](int updated) {
        if ((updated & (SC_UPDATE_CONTENT | SC_UPDATE_V_SCROLL)) != 0) {
            const long first =
                SendScintilla(SCI_DOCLINEFROMVISIBLE,
                              static_cast<unsigned long>(SendScintilla(SCI_GETFIRSTVISIBLELINE)));
            break_lines_if_too_wide(first, first + SendScintilla(SCI_LINESONSCREEN));
        }
    });
    for (unsigned long margin = 0; margin < kMarginCount; ++margin) {
        SendScintilla(SCI_SETMARGINWIDTHN, margin, 0L);
    }
    SendScintilla(SCI_SETMARGINLEFT, 0UL, kTextMargin);
    SendScintilla(SCI_SETMARGINRIGHT, 0UL, kTextMargin);
    SendScintilla(SCI_SETHSCROLLBAR, 0UL);
    SendScintilla(SCI_SETVSCROLLBAR, style == EditStyle::MultiLineWithScrollBar ? 1UL : 0UL);
    // The box shows a menu of its own (contextMenuEvent).
    SendScintilla(SCI_USEPOPUP, 0UL);
    show_scroll_bars();
    show_font();
    show_palette();
}

std::string_view MultiLineEdit::document_bytes() const {
    const auto length = static_cast<std::size_t>(SendScintilla(SCI_GETLENGTH));
    if (length == 0) {
        return {};
    }
    // The pointer closes the buffer's gap first; appends keep it at the end,
    // so this is usually free.
    const auto* bytes = static_cast<const char*>(SendScintillaPtrResult(SCI_GETCHARACTERPOINTER));
    return {bytes, length};
}

std::string MultiLineEdit::program_text() const {
    return std::string(document_bytes());
}

void MultiLineEdit::visit_lines(const std::function<bool(std::string_view)>& visit) const {
    visit_text_lines(document_bytes(), visit);
}

void MultiLineEdit::write_unrecorded(const std::function<void()>& write) {
    // An undo history of the program's writes would keep a second copy of
    // everything appended.
    SendScintilla(SCI_SETUNDOCOLLECTION, 0UL);
    write();
    SendScintilla(SCI_SETUNDOCOLLECTION, 1UL);
}

void MultiLineEdit::set_program_text(std::string_view text) {
    write_unrecorded([this, text] {
        SendScintilla(SCI_CLEARALL);
        SendScintilla(SCI_APPENDTEXT, static_cast<uintptr_t>(text.size()), text.data());
    });
    // As with an edit control, new text leaves nothing to undo.
    SendScintilla(SCI_EMPTYUNDOBUFFER);
    SendScintilla(SCI_GOTOPOS, 0UL);
}

void MultiLineEdit::append_program_text(std::string_view text) {
    // Appended after everything the user's edits touched, the text leaves
    // their positions, and so the user's undo history, as they were.
    write_unrecorded([this, text] {
        SendScintilla(SCI_APPENDTEXT, static_cast<uintptr_t>(text.size()), text.data());
    });
    // As in a native edit box, the caret ends after the appended text, any
    // selection is gone and the box shows the end.
    SendScintilla(SCI_GOTOPOS, static_cast<unsigned long>(SendScintilla(SCI_GETLENGTH)));
}

void MultiLineEdit::run_command(EditCommand command) {
    static constexpr std::pair<EditCommand, unsigned int> kMessages[] = {
        {EditCommand::Undo, SCI_UNDO},    {EditCommand::Cut, SCI_CUT},
        {EditCommand::Copy, SCI_COPY},    {EditCommand::Paste, SCI_PASTE},
        {EditCommand::Delete, SCI_CLEAR}, {EditCommand::SelectAll, SCI_SELECTALL},
    };
    for (const auto& [known, message] : kMessages) {
        if (known == command) {
            SendScintilla(message);
        }
    }
}

void MultiLineEdit::contextMenuEvent(QContextMenuEvent* event) {
    setFocus(Qt::PopupFocusReason);
    EditBoxState now;
    now.can_undo = SendScintilla(SCI_CANUNDO) != 0;
    now.selection_start = static_cast<std::size_t>(SendScintilla(SCI_GETSELECTIONSTART));
    now.selection_end = static_cast<std::size_t>(SendScintilla(SCI_GETSELECTIONEND));
    now.length = static_cast<std::size_t>(SendScintilla(SCI_GETLENGTH));
    const QMimeData* clipboard = QGuiApplication::clipboard()->mimeData();
    now.clipboard_has_text = clipboard != nullptr && clipboard->hasText();
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    for (const EditMenuEntry& entry : edit_menu_entries()) {
        if (entry.separator_before) {
            menu->addSeparator();
        }
        QAction* action = menu->addAction(to_qstring(entry.label));
        action->setEnabled(edit_command_enabled(entry.command, now));
        connect(action, &QAction::triggered, this,
                [this, command = entry.command] { run_command(command); });
    }
    // From the keyboard the menu opens below the caret.
    QPoint at = event->globalPos();
    if (event->reason() == QContextMenuEvent::Keyboard) {
        const long caret = SendScintilla(SCI_GETCURRENTPOS);
        const QPoint local(static_cast<int>(SendScintilla(SCI_POINTXFROMPOSITION, 0UL, caret)),
                           static_cast<int>(SendScintilla(SCI_POINTYFROMPOSITION, 0UL, caret) +
                                            SendScintilla(SCI_TEXTHEIGHT, 0UL)));
        at = viewport()->mapToGlobal(local);
    }
    // It deletes itself once closed.
    menu->popup(at);
    event->accept();
}

void MultiLineEdit::show_scroll_bars() {
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(m_style == EditStyle::MultiLineWithScrollBar
                                   ? Qt::ScrollBarAlwaysOn
                                   : Qt::ScrollBarAlwaysOff);
}

void MultiLineEdit::break_lines_if_too_wide(long first, long last) {
    last = std::min(last, SendScintilla(SCI_GETLINECOUNT) - 1);
    for (long line = first; line <= last && !m_breaking_lines; ++line) {
        if (too_wide(line)) {
            m_breaking_lines = true;
            SendScintilla(SCI_SETWRAPMODE, static_cast<unsigned long>(SC_WRAP_WORD));
            // Scintilla sets the scroll bars again when the wrap mode changes.
            show_scroll_bars();
        }
    }
}

bool MultiLineEdit::too_wide(long line) const {
    const long start = SendScintilla(SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
    const long length =
        SendScintilla(SCI_GETLINEENDPOSITION, static_cast<unsigned long>(line)) - start;
    if (length <= 0) {
        return false;
    }
    const int room = viewport()->width() - 2 * static_cast<int>(kTextMargin);
    // A line of more bytes than the box has pixels is taken to need breaking
    // without being measured: at worst the box breaks lines it need not.
    if (length > room) {
        return true;
    }
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    SendScintilla(SCI_GETTEXTRANGE, start, start + length, text.data());
    text.pop_back();
    // Lines of ASCII, numbers above all, are bounded without being measured.
    long bound = 0;
    for (char c : text) {
        if ((c & '\x80') != 0) {
            bound = room + 1L;
            break;
        }
        bound += c >= '0' && c <= '9' ? m_widest_digit : m_widest_ascii;
    }
    if (bound <= room) {
        return false;
    }
    const QString shown = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    return QFontMetrics(font()).horizontalAdvance(shown) > room;
}

void MultiLineEdit::resizeEvent(QResizeEvent* event) {
    QsciScintillaBase::resizeEvent(event);
    const long lines = SendScintilla(SCI_GETLINECOUNT);
    if (lines <= kLinesCheckedOnResize) {
        break_lines_if_too_wide(0, lines - 1);
    }
}

void MultiLineEdit::changeEvent(QEvent* event) {
    QsciScintillaBase::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        show_font();
    } else if (event->type() == QEvent::PaletteChange) {
        show_palette();
    }
}

bool MultiLineEdit::focusNextPrevChild(bool next) {
    // QScintilla's own keeps Tab for itself, to insert it.
    return QAbstractScrollArea::focusNextPrevChild(next);  // NOLINT(bugprone-parent-virtual-call)
}

void MultiLineEdit::show_font() {
    // The face Qt resolved from the widget's list of faces, and its size
    // in points at this screen's resolution.
    const QFont& shown = font();
    const QFontInfo resolved(shown);
    const double points = shown.pixelSize() > 0 ? shown.pixelSize() * kPointsPerInch / logicalDpiY()
                                                : shown.pointSizeF();
    const QByteArray face = resolved.family().toUtf8();
    SendScintilla(SCI_STYLESETFONT, static_cast<uintptr_t>(STYLE_DEFAULT), face.constData());
    SendScintilla(SCI_STYLESETSIZEFRACTIONAL, static_cast<unsigned long>(STYLE_DEFAULT),
                  std::lround(points * static_cast<int>(SC_FONT_SIZE_MULTIPLIER)));
    SendScintilla(SCI_STYLESETBOLD, static_cast<unsigned long>(STYLE_DEFAULT),
                  static_cast<long>(shown.bold()));
    SendScintilla(SCI_STYLECLEARALL);
    const QFontMetrics metrics(shown);
    m_widest_ascii = 1;
    m_widest_digit = 1;
    for (char c = ' '; c < '\x7f'; ++c) {
        const int advance = metrics.horizontalAdvance(QLatin1Char(c));
        m_widest_ascii = std::max(m_widest_ascii, advance);
        if (c >= '0' && c <= '9') {
            m_widest_digit = std::max(m_widest_digit, advance);
        }
    }
}

void MultiLineEdit::show_palette() {
    const QPalette& colours = palette();
    SendScintilla(SCI_STYLESETFORE, static_cast<unsigned long>(STYLE_DEFAULT),
                  colours.color(QPalette::Text));
    SendScintilla(SCI_STYLESETBACK, static_cast<unsigned long>(STYLE_DEFAULT),
                  colours.color(QPalette::Base));
    SendScintilla(SCI_STYLECLEARALL);
    SendScintilla(SCI_SETSELFORE, 1UL, colours.color(QPalette::HighlightedText));
    SendScintilla(SCI_SETSELBACK, 1UL, colours.color(QPalette::Highlight));
    SendScintilla(SCI_SETCARETFORE, colours.color(QPalette::Text));
}

}  // namespace qorvex::runtime::qt
