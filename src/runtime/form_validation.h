#pragma once

// Checks that every back end's loader makes before it builds a window: a
// description with duplicate names, a dangling parent or an event table row
// that its component can never raise is refused rather than half loaded.

#include <optional>
#include <string>
#include <string_view>

#include "runtime/events.h"
#include "runtime/form_description.h"

namespace qorvex::runtime {

// The component of that name, or nullptr.
const ComponentDescription* find_component(const FormDescription& form, std::string_view name);

// A sentence naming the first fault found, or nothing when the description
// and its event table can be loaded.
std::optional<std::string> find_form_fault(const FormDescription& form, const EventTable& events);

}  // namespace qorvex::runtime
