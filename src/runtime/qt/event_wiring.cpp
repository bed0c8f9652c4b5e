#include "runtime/qt/event_wiring.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFocusEvent>
#include <QTreeWidget>
#include <array>
#include <memory>
#include <string>
#include <utility>

#include "runtime/qt/qt_form.h"
#include "runtime/qt/transparent_label.h"

namespace qorvex::runtime::qt {

namespace {

// Connections hold the form weakly: a queued signal may arrive after the
// window was destroyed and the form released.
struct Target {
    std::weak_ptr<QtForm> form;
    std::string name;

    void raise(EventKind kind, const EventArgs& args = {}) const {
        if (auto owner = form.lock()) {
            owner->raise(name, kind, args);
        }
    }
};

class FocusWatcher : public QObject {
public:
    FocusWatcher(Target target, QWidget* widget) : QObject(widget), m_target(std::move(target)) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::FocusIn) {
            if (auto owner = m_target.form.lock()) {
                owner->focus_received(m_target.name, qobject_cast<QWidget*>(watched),
                                      static_cast<QFocusEvent*>(event)->reason());
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    Target m_target;
};

using Wiring = void (*)(const Target&, QtComponent&);

void wire_clicked(const Target& target, QtComponent& component) {
    auto* button = qobject_cast<QAbstractButton*>(component.widget);
    QObject::connect(button, &QAbstractButton::clicked, button,
                     [target]() { target.raise(EventKind::Clicked); });
}

void wire_period_elapsed(const Target& target, QtComponent& component) {
    QObject::connect(component.timer, &QTimer::timeout, component.timer,
                     [target]() { target.raise(EventKind::PeriodElapsed); });
}

void wire_item_selected(const Target& target, QtComponent& component) {
    auto* list = qobject_cast<QComboBox*>(component.widget);
    // Queued: the handler runs from the event loop once the drop-down list
    // has closed, not inside the notification that ended the choice.
    QObject::connect(
        list, &QComboBox::activated, list, [target](int) { target.raise(EventKind::ItemSelected); },
        Qt::QueuedConnection);
}

void wire_row_changed(const Target& target, QtComponent& component) {
    auto* list = qobject_cast<QTreeWidget*>(component.widget);
    // The runtime's own changes of the row block the list's signals.
    QObject::connect(list, &QTreeWidget::itemSelectionChanged, list,
                     [target]() { target.raise(EventKind::RowChanged); });
}

void wire_got_focus(const Target& target, QtComponent& component) {
    component.widget->installEventFilter(new FocusWatcher(target, component.widget));
}

void wire_left_button_pressed(const Target& target, QtComponent& component) {
    auto* label = qobject_cast<TransparentLabel*>(component.widget);
    label->set_press_handler(
        [target](const EventArgs& args) { target.raise(EventKind::LeftButtonPressed, args); });
}

struct WiringRow {
    EventKind kind;
    Wiring wire;
};

// Creation complete and first activation belong to the window; QtForm and
// the runtime raise them.
constexpr std::array<WiringRow, 6> kWirings{{
    {EventKind::Clicked, wire_clicked},
    {EventKind::PeriodElapsed, wire_period_elapsed},
    {EventKind::ItemSelected, wire_item_selected},
    {EventKind::GotFocus, wire_got_focus},
    {EventKind::RowChanged, wire_row_changed},
    {EventKind::LeftButtonPressed, wire_left_button_pressed},
}};

}  // namespace

void wire_event(QtForm& form, QtComponent& component, EventKind kind) {
    for (const WiringRow& row : kWirings) {
        if (row.kind == kind) {
            row.wire(Target{form.weak_from_this(), component.name()}, component);
        }
    }
}

}  // namespace qorvex::runtime::qt
