#pragma once

// Text access for the components that have a text: edit boxes hold what the
// user or the program put there; the other types show a caption that reads
// back exactly as the program wrote it.

#include <string>
#include <string_view>

#include "runtime/qt/qt_component.h"

namespace qorvex::runtime::qt {

bool has_caption(ComponentType type);

// The caller has checked that the component's type has a text.
std::string component_text(const QtComponent& component);
void set_component_text(QtComponent& component, std::string_view text);
void append_component_text(QtComponent& component, std::string_view text);

}  // namespace qorvex::runtime::qt
