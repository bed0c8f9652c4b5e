#pragma once

// Which properties each component type offers through the Form interface.
// Every back end checks its accesses against this one table, so that asking a
// label for its selection fails the same way everywhere.

#include <string>
#include <string_view>

#include "runtime/form_description.h"

namespace qorvex::runtime {

enum class Property {
    Text,         // text or caption, read and written whole
    AppendText,   // text appended at the end (edit boxes)
    Selection,    // current index or row
    Items,        // reading the item list
    EditItems,    // clearing and adding items
    Checked,      // check box checked, radio button selected
    TimerPeriod,  // milliseconds, 0 stops
    Visible,
    Enabled,
    Geometry,
    Focus,  // can take the input focus
};

bool type_has(ComponentType type, Property property);

std::string_view type_label(ComponentType type);
std::string_view property_label(Property property);

// Throws ComponentError naming the component when its type lacks the property.
void require_property(std::string_view name, ComponentType type, Property property);

// The message of the ComponentError thrown for an unknown component name.
std::string unknown_component_message(std::string_view form_name, std::string_view name);

}  // namespace qorvex::runtime
