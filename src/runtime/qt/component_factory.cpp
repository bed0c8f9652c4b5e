#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <algorithm>
#include <array>
#include <string_view>

#include "runtime/qt/caption_label.h"
#include "runtime/qt/chinese_fonts.h"
#include "runtime/qt/component_text.h"
#include "runtime/qt/drop_down_list.h"
#include "runtime/qt/multi_line_edit.h"
#include "runtime/qt/picture_button.h"
#include "runtime/qt/png_image.h"
#include "runtime/qt/qt_component.h"
#include "runtime/qt/qt_text.h"
#include "runtime/qt/transparent_label.h"

// The loader's table: one builder per component type makes the widget with
// the properties only that type has; create_component then applies what all
// widgets share (geometry, font, cursor, focus, visibility).

namespace qorvex::runtime::qt {

namespace {

using Builder = QWidget* (*)(const ComponentDescription&, QWidget*);

QWidget* build_edit_box(const ComponentDescription& description, QWidget* parent) {
    if (description.edit_style == EditStyle::SingleLine) {
        return new QLineEdit(to_qstring(description.text), parent);
    }
    auto* edit = new MultiLineEdit(description.edit_style, parent);
    edit->set_program_text(description.text);
    return edit;
}

void set_up_label(QLabel& label) {
    label.setTextFormat(Qt::PlainText);
    label.setWordWrap(true);
    label.setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

QWidget* build_label(const ComponentDescription& /*description*/, QWidget* parent) {
    auto* label = new CaptionLabel(parent);
    set_up_label(*label);
    return label;
}

QWidget* build_transparent_label(const ComponentDescription& /*description*/, QWidget* parent) {
    auto* label = new TransparentLabel(parent);
    set_up_label(*label);
    return label;
}

QWidget* build_button(const ComponentDescription& /*description*/, QWidget* parent) {
    return new QPushButton(parent);
}

QWidget* build_picture_button(const ComponentDescription& description, QWidget* parent) {
    std::array<QImage, 3> looks;  // normal, hover, pressed
    for (std::size_t i = 0; i < looks.size() && i < description.pictures.size(); ++i) {
        looks.at(i) = decode_png(description.pictures[i]);
        if (looks.at(i).isNull()) {
            return nullptr;
        }
    }
    if (looks[0].isNull()) {
        return nullptr;
    }
    // A button given fewer pictures keeps its normal look in the other states.
    for (QImage& look : looks) {
        if (look.isNull()) {
            look = looks[0];
        }
    }
    return new PictureButton(looks[0], looks[1], looks[2], parent);
}

QWidget* build_check_box(const ComponentDescription& description, QWidget* parent) {
    auto* box = new QCheckBox(parent);
    box->setChecked(description.checked);
    return box;
}

QWidget* build_radio_button(const ComponentDescription& description, QWidget* parent) {
    auto* button = new QRadioButton(parent);
    button->setChecked(description.checked);
    return button;
}

QWidget* build_group_box(const ComponentDescription& /*description*/, QWidget* parent) {
    return new QGroupBox(parent);
}

QWidget* build_combo_box(const ComponentDescription& description, QWidget* parent) {
    auto* list = new DropDownList(parent);
    for (const std::string& item : description.items) {
        list->addItem(to_qstring(item));
    }
    list->setCurrentIndex(description.selected_index);
    return list;
}

QWidget* build_list_view(const ComponentDescription& description, QWidget* parent) {
    auto* list = new QTreeWidget(parent);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setAllColumnsShowFocus(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->header()->setStretchLastSection(false);
    list->header()->setSectionsMovable(false);
    QStringList titles;
    for (const ListColumn& column : description.columns) {
        titles << to_qstring(column.title);
    }
    list->setColumnCount(static_cast<int>(titles.size()));
    list->setHeaderLabels(titles);
    for (std::size_t i = 0; i < description.columns.size(); ++i) {
        list->setColumnWidth(static_cast<int>(i), description.columns[i].width);
    }
    for (const std::string& row : description.items) {
        new QTreeWidgetItem(list, QStringList{to_qstring(row)});
    }
    if (description.selected_index >= 0) {
        list->setCurrentItem(list->topLevelItem(description.selected_index));
    }
    return list;
}

struct BuilderRow {
    ComponentType type;
    Builder build;
};

constexpr std::array<BuilderRow, 10> kBuilders{{
    {ComponentType::EditBox, build_edit_box},
    {ComponentType::Label, build_label},
    {ComponentType::TransparentLabel, build_transparent_label},
    {ComponentType::Button, build_button},
    {ComponentType::PictureButton, build_picture_button},
    {ComponentType::CheckBox, build_check_box},
    {ComponentType::RadioButton, build_radio_button},
    {ComponentType::GroupBox, build_group_box},
    {ComponentType::ComboBox, build_combo_box},
    {ComponentType::ListView, build_list_view},
}};

bool is_ascii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

void apply_font(QWidget& widget, const FontSpec& spec) {
    if (spec.pixel_height <= 0 && spec.face.empty()) {
        return;  // the standard user-interface font
    }
    QFont font = widget.font();
    QStringList families;
    if (!spec.face.empty()) {
        families << to_qstring(spec.face);
    }
    // A Chinese font (asked for by character set or by a Chinese face name)
    // gets a Chinese face even where the named one is missing; characters no
    // face has still fall back per glyph to any installed font.
    if (spec.charset == Charset::Gb2312 || !is_ascii(spec.face)) {
        families << chinese_faces();
    }
    if (!families.isEmpty()) {
        font.setFamilies(families);
    }
    if (spec.pixel_height > 0) {
        font.setPixelSize(spec.pixel_height);
    }
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    widget.setFont(font);
}

void apply_common(QWidget& widget, const ComponentDescription& description) {
    const Rect& area = description.geometry;
    widget.setGeometry(area.left, area.top, area.width, area.height);
    apply_font(widget, description.font);
    if (description.cursor == CursorShape::Hand) {
        widget.setCursor(Qt::PointingHandCursor);
    }
    if (description.tab_stop) {
        widget.setFocusPolicy(Qt::StrongFocus);
    } else if (widget.focusPolicy() != Qt::NoFocus) {
        widget.setFocusPolicy(Qt::ClickFocus);
    }
    widget.setVisible(description.visible);
}

}  // namespace

QtComponent create_component(const ComponentDescription& description, QWidget* parent) {
    QtComponent component;
    component.description = &description;
    if (description.type == ComponentType::Timer) {
        component.timer = new QTimer(parent);
        set_timer_period(component, description.timer_period_ms);
        return component;
    }
    for (const BuilderRow& row : kBuilders) {
        if (row.type == description.type) {
            component.widget = row.build(description, parent);
        }
    }
    if (component.widget != nullptr) {
        apply_common(*component.widget, description);
        if (has_caption(description.type)) {
            set_component_text(component, description.text);
        }
    }
    return component;
}

void set_timer_period(QtComponent& timer, int milliseconds) {
    timer.period_ms = milliseconds > 0 ? milliseconds : 0;
    if (timer.timer == nullptr) {
        return;
    }
    if (timer.period_ms > 0) {
        timer.timer->start(timer.period_ms);
    } else {
        timer.timer->stop();
    }
}

}  // namespace qorvex::runtime::qt
