#include "runtime/qt/component_text.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QTextLayout>
#include <array>

#include "runtime/qt/multi_line_edit.h"
#include "runtime/qt/qt_text.h"

namespace qorvex::runtime::qt {

namespace {

using ShowCaption = void (*)(QWidget&, const QString&);

void show_label_caption(QWidget& widget, const QString& caption) {
    static_cast<QLabel&>(widget).setText(caption);
}

void show_button_caption(QWidget& widget, const QString& caption) {
    static_cast<QAbstractButton&>(widget).setText(caption);
}

// A native push button breaks a caption too wide for it onto more lines.
QString wrapped(const QString& caption, const QFont& font, int width) {
    QStringList lines;
    for (const QString& paragraph : caption.split(QLatin1Char('\n'))) {
        if (paragraph.isEmpty()) {
            lines << paragraph;
            continue;
        }
        QTextLayout layout(paragraph, font);
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            lines << paragraph.mid(line.textStart(), line.textLength()).trimmed();
        }
        layout.endLayout();
    }
    return lines.join(QLatin1Char('\n'));
}

void show_push_button_caption(QWidget& widget, const QString& caption) {
    const int frame = widget.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, &widget);
    show_button_caption(widget, wrapped(caption, widget.font(), widget.width() - 2 * frame));
}

void show_group_caption(QWidget& widget, const QString& caption) {
    static_cast<QGroupBox&>(widget).setTitle(caption);
}

struct CaptionRow {
    ComponentType type;
    ShowCaption show;
};

constexpr std::array<CaptionRow, 6> kCaptionRows{{
    {ComponentType::Label, show_label_caption},
    {ComponentType::TransparentLabel, show_label_caption},
    {ComponentType::Button, show_push_button_caption},
    {ComponentType::CheckBox, show_button_caption},
    {ComponentType::RadioButton, show_button_caption},
    {ComponentType::GroupBox, show_group_caption},
}};

const CaptionRow* caption_row(ComponentType type) {
    for (const CaptionRow& row : kCaptionRows) {
        if (row.type == type) {
            return &row;
        }
    }
    return nullptr;
}

}  // namespace

bool has_caption(ComponentType type) {
    return caption_row(type) != nullptr;
}

std::string component_text(const QtComponent& component) {
    if (has_caption(component.type()) || component.widget == nullptr) {
        return component.caption;
    }
    if (const auto* edit = qobject_cast<const MultiLineEdit*>(component.widget.data())) {
        return edit->program_text();
    }
    if (const auto* line = qobject_cast<const QLineEdit*>(component.widget.data())) {
        return to_utf8(line->text());
    }
    return {};
}

void set_component_text(QtComponent& component, std::string_view text) {
    if (component.widget == nullptr) {
        return;
    }
    if (const CaptionRow* row = caption_row(component.type())) {
        component.caption = text;
        row->show(*component.widget, caption_for_display(text));
    } else if (auto* edit = qobject_cast<MultiLineEdit*>(component.widget.data())) {
        edit->set_program_text(text);
    } else if (auto* line = qobject_cast<QLineEdit*>(component.widget.data())) {
        line->setText(to_qstring(text));
    }
}

void append_component_text(QtComponent& component, std::string_view text) {
    if (auto* edit = qobject_cast<MultiLineEdit*>(component.widget.data())) {
        edit->append_program_text(text);
    } else if (auto* line = qobject_cast<QLineEdit*>(component.widget.data())) {
        line->end(false);
        line->insert(to_qstring(text));
    }
}

}  // namespace qorvex::runtime::qt
