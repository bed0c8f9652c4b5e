#pragma once

// One loaded component: its description and the Qt object standing for it.

#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <string>

#include "runtime/form_description.h"

namespace qorvex::runtime::qt {

struct QtComponent {
    const ComponentDescription* description = nullptr;
    QPointer<QWidget> widget;  // null for a timer
    QPointer<QTimer> timer;    // timers only
    // The caption as the program wrote it; widgets show line ends their own way.
    std::string caption;
    int period_ms = 0;

    ComponentType type() const { return description->type; }
    const std::string& name() const { return description->name; }
};

// Creates the Qt object of one component, a widget inside `parent` or a timer
// owned by it, with every property of the description applied. Returns a
// component without widget and timer when the description cannot be built
// (a picture that is no valid PNG).
QtComponent create_component(const ComponentDescription& description, QWidget* parent);

void set_timer_period(QtComponent& timer, int milliseconds);

}  // namespace qorvex::runtime::qt
