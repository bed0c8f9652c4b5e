#pragma once

// Connects the Qt signal or hook behind one event kind of one component to
// the form's dispatch. One small table holds a wiring function per kind.

#include "runtime/events.h"
#include "runtime/qt/qt_component.h"

namespace qorvex::runtime::qt {

class QtForm;

void wire_event(QtForm& form, QtComponent& component, EventKind kind);

}  // namespace qorvex::runtime::qt
