#include <QAbstractButton>
#include <QComboBox>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <utility>

#include "runtime/qt/component_text.h"
#include "runtime/qt/multi_line_edit.h"
#include "runtime/qt/qt_form.h"
#include "runtime/qt/qt_text.h"

// Component access by name. Every access checks the component's type against
// the shared property table first, so a wrong name fails the same way in
// every back end; on a destroyed window reads give empty values and writes
// do nothing.

namespace qorvex::runtime::qt {

namespace {

QComboBox* as_combo(const QtComponent& component) {
    return qobject_cast<QComboBox*>(component.widget);
}

QTreeWidget* as_list(const QtComponent& component) {
    return qobject_cast<QTreeWidget*>(component.widget);
}

bool in_range(int index, int count) {
    return index >= 0 && index < count;
}

}  // namespace

const QtComponent* QtForm::find(std::string_view name) const {
    auto found = m_components.find(name);
    return found == m_components.end() ? nullptr : &found->second;
}

const QtComponent& QtForm::component(std::string_view name, Property property) const {
    const QtComponent* found = find(name);
    if (found == nullptr) {
        throw ComponentError(unknown_component_message(m_description.name, name));
    }
    require_property(name, found->type(), property);
    return *found;
}

QtComponent& QtForm::component(std::string_view name, Property property) {
    return const_cast<QtComponent&>(std::as_const(*this).component(name, property));
}

bool QtForm::has_component(std::string_view name) const {
    return exists() && find(name) != nullptr;
}

QWidget* QtForm::widget(std::string_view name) const {
    if (!exists()) {
        return nullptr;
    }
    const QtComponent* found = find(name);
    if (found == nullptr) {
        throw ComponentError(unknown_component_message(m_description.name, name));
    }
    return found->widget;
}

QTimer* QtForm::timer(std::string_view name) const {
    return exists() ? component(name, Property::TimerPeriod).timer : nullptr;
}

std::string QtForm::text(std::string_view name) const {
    return exists() ? component_text(component(name, Property::Text)) : std::string();
}

void QtForm::set_text(std::string_view name, std::string_view text) {
    if (exists()) {
        set_component_text(component(name, Property::Text), text);
    }
}

void QtForm::append_text(std::string_view name, std::string_view text) {
    if (exists()) {
        append_component_text(component(name, Property::AppendText), text);
    }
}

void QtForm::visit_lines(std::string_view name, const LineVisitor& visit) const {
    if (!exists()) {
        return;
    }
    const auto* edit = qobject_cast<MultiLineEdit*>(component(name, Property::Text).widget);
    if (edit == nullptr) {
        Form::visit_lines(name, visit);
        return;
    }
    edit->visit_lines(visit);
}

int QtForm::selection(std::string_view name) const {
    if (!exists()) {
        return -1;
    }
    const QtComponent& target = component(name, Property::Selection);
    if (QComboBox* combo = as_combo(target)) {
        return combo->currentIndex();
    }
    const QList<QTreeWidgetItem*> selected = as_list(target)->selectedItems();
    return selected.isEmpty() ? -1 : as_list(target)->indexOfTopLevelItem(selected.front());
}

void QtForm::set_selection(std::string_view name, int index) {
    if (!exists()) {
        return;
    }
    // Like the native controls, an index outside the list selects nothing.
    // Neither widget raises an event the handlers see for a change made here.
    QtComponent& target = component(name, Property::Selection);
    if (QComboBox* combo = as_combo(target)) {
        combo->setCurrentIndex(in_range(index, combo->count()) ? index : -1);
        return;
    }
    QTreeWidget* list = as_list(target);
    const QSignalBlocker quiet(list);
    if (in_range(index, list->topLevelItemCount())) {
        list->setCurrentItem(list->topLevelItem(index));
    } else {
        list->clearSelection();
        list->setCurrentItem(nullptr);
    }
}

std::vector<std::string> QtForm::items(std::string_view name) const {
    std::vector<std::string> result;
    if (!exists()) {
        return result;
    }
    const QtComponent& target = component(name, Property::Items);
    if (QComboBox* combo = as_combo(target)) {
        for (int i = 0; i < combo->count(); ++i) {
            result.push_back(to_utf8(combo->itemText(i)));
        }
        return result;
    }
    QTreeWidget* list = as_list(target);
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        result.push_back(to_utf8(list->topLevelItem(i)->text(0)));
    }
    return result;
}

void QtForm::clear_items(std::string_view name) {
    if (exists()) {
        as_combo(component(name, Property::EditItems))->clear();
    }
}

void QtForm::add_item(std::string_view name, std::string_view item) {
    if (!exists()) {
        return;
    }
    QComboBox* combo = as_combo(component(name, Property::EditItems));
    const int selected = combo->currentIndex();
    combo->addItem(to_qstring(item));
    // Qt selects the first item added to an empty list; the native list does
    // not, and the handlers choose the selection themselves.
    combo->setCurrentIndex(selected);
}

bool QtForm::checked(std::string_view name) const {
    return exists() &&
           qobject_cast<QAbstractButton*>(component(name, Property::Checked).widget)->isChecked();
}

void QtForm::set_checked(std::string_view name, bool checked) {
    if (!exists()) {
        return;
    }
    auto* button = qobject_cast<QAbstractButton*>(component(name, Property::Checked).widget);
    // A radio button of an exclusive group refuses to be cleared directly.
    const bool exclusive = button->autoExclusive();
    button->setAutoExclusive(exclusive && checked);
    button->setChecked(checked);
    button->setAutoExclusive(exclusive);
}

int QtForm::timer_period(std::string_view name) const {
    return exists() ? component(name, Property::TimerPeriod).period_ms : 0;
}

void QtForm::set_timer_period(std::string_view name, int milliseconds) {
    if (exists()) {
        qt::set_timer_period(component(name, Property::TimerPeriod), milliseconds);
    }
}

bool QtForm::visible(std::string_view name) const {
    // The component's own flag: a component inside a hidden group box, or
    // on a window not shown yet, still reads visible.
    return exists() && !component(name, Property::Visible).widget->isHidden();
}

void QtForm::set_visible(std::string_view name, bool visible) {
    if (exists()) {
        component(name, Property::Visible).widget->setVisible(visible);
    }
}

bool QtForm::enabled(std::string_view name) const {
    // The component's own flag, not that of a window disabled by a modal one.
    return exists() &&
           !component(name, Property::Enabled).widget->testAttribute(Qt::WA_ForceDisabled);
}

void QtForm::set_enabled(std::string_view name, bool enabled) {
    if (exists()) {
        component(name, Property::Enabled).widget->setEnabled(enabled);
    }
}

Rect QtForm::geometry(std::string_view name) const {
    if (!exists()) {
        return {};
    }
    const QtComponent& target = component(name, Property::Geometry);
    if (target.widget == nullptr) {
        return target.description->geometry;
    }
    const QRect area = target.widget->geometry();
    return Rect{area.x(), area.y(), area.width(), area.height()};
}

}  // namespace qorvex::runtime::qt
