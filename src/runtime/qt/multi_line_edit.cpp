#include "runtime/qt/multi_line_edit.h"

#include <QAccessibleWidget>
#include <QEvent>
#include <QFontInfo>
#include <QPalette>
#include <cmath>

#include "runtime/runtime.h"

namespace qorvex::runtime::qt {

namespace {

// Scintilla takes font sizes in points; the forms give pixels.
constexpr double kPointsPerInch = 72.0;
// A native edit box keeps about a pixel from its border.
constexpr long kTextMargin = 1;
constexpr int kMarginCount = 5;

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
    static const bool installed = [] {
        QAccessible::installFactory(plain_accessible_box);
        return true;
    }();
    static_cast<void>(installed);
}

}  // namespace

MultiLineEdit::MultiLineEdit(EditStyle style, QWidget* parent) : QsciScintillaBase(parent) {
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
    // An undo history would keep a second copy of everything appended.
    SendScintilla(SCI_SETUNDOCOLLECTION, 0UL);
    // Nothing listens to change notifications; building them costs every append.
    SendScintilla(SCI_SETMODEVENTMASK, 0UL);
    for (unsigned long margin = 0; margin < kMarginCount; ++margin) {
        SendScintilla(SCI_SETMARGINWIDTHN, margin, 0L);
    }
    SendScintilla(SCI_SETMARGINLEFT, 0UL, kTextMargin);
    SendScintilla(SCI_SETMARGINRIGHT, 0UL, kTextMargin);
    // A native multi-line edit box without automatic horizontal scrolling
    // breaks long lines at the box's width.
    SendScintilla(SCI_SETWRAPMODE, static_cast<unsigned long>(SC_WRAP_WORD));
    SendScintilla(SCI_SETHSCROLLBAR, 0UL);
    SendScintilla(SCI_SETVSCROLLBAR, style == EditStyle::MultiLineWithScrollBar ? 1UL : 0UL);
    SendScintilla(SCI_USEPOPUP, 1UL);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(style == EditStyle::MultiLineWithScrollBar ? Qt::ScrollBarAlwaysOn
                                                                          : Qt::ScrollBarAlwaysOff);
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

void MultiLineEdit::set_program_text(std::string_view text) {
    SendScintilla(SCI_CLEARALL);
    append_program_text(text);
    SendScintilla(SCI_GOTOPOS, 0UL);
}

void MultiLineEdit::append_program_text(std::string_view text) {
    SendScintilla(SCI_APPENDTEXT, static_cast<uintptr_t>(text.size()), text.data());
    // As in a native edit box, the caret ends after the appended text, any
    // selection is gone and the box shows the end.
    SendScintilla(SCI_GOTOPOS, static_cast<unsigned long>(SendScintilla(SCI_GETLENGTH)));
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
    return QAbstractScrollArea::focusNextPrevChild(next);
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
