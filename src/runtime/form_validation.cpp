#include "runtime/form_validation.h"

#include <set>
#include <utility>

namespace qorvex::runtime {

namespace {

std::string quoted(std::string_view text) {
    return "'" + std::string(text) + "'";
}

std::optional<std::string> component_fault(const FormDescription& form,
                                           const ComponentDescription& component) {
    if (component.name.empty()) {
        return "a component has no name";
    }
    if (component.type == ComponentType::Window) {
        return "component " + quoted(component.name) + " has the window type";
    }
    if (!component.parent.empty()) {
        const ComponentDescription* parent = find_component(form, component.parent);
        if (parent == nullptr || parent->type != ComponentType::GroupBox || parent == &component) {
            return "component " + quoted(component.name) + " names parent " +
                   quoted(component.parent) + ", which is not a group box of the form";
        }
    }
    const bool has_items =
        component.type == ComponentType::ComboBox || component.type == ComponentType::ListView;
    const auto count = static_cast<long>(component.items.size());
    if (component.selected_index < -1 || (component.selected_index >= 0 && !has_items) ||
        component.selected_index >= count) {
        return "component " + quoted(component.name) + " selects a row it does not have";
    }
    if (component.timer_period_ms < 0) {
        return "timer " + quoted(component.name) + " has a negative period";
    }
    return std::nullopt;
}

std::optional<std::string> binding_fault(const FormDescription& form, const EventBinding& binding) {
    ComponentType type = ComponentType::Window;
    if (!binding.component.empty()) {
        const ComponentDescription* component = find_component(form, binding.component);
        if (component == nullptr) {
            return "the event table names the unknown component " + quoted(binding.component);
        }
        type = component->type;
    }
    const std::string subject =
        binding.component.empty() ? std::string("the window") : quoted(binding.component);
    if (!type_raises(type, binding.kind)) {
        return "the event table binds an event that " + subject + " never raises";
    }
    if (!binding.handler) {
        return "the event table binds an empty handler to " + subject;
    }
    return std::nullopt;
}

}  // namespace

const ComponentDescription* find_component(const FormDescription& form, std::string_view name) {
    for (const ComponentDescription& component : form.components) {
        if (component.name == name) {
            return &component;
        }
    }
    return nullptr;
}

std::optional<std::string> find_form_fault(const FormDescription& form, const EventTable& events) {
    std::set<std::string_view> names;
    for (const ComponentDescription& component : form.components) {
        if (auto fault = component_fault(form, component)) {
            return fault;
        }
        if (!names.insert(component.name).second) {
            return "component name " + quoted(component.name) + " is used twice";
        }
    }
    std::set<std::pair<std::string_view, EventKind>> bound;
    for (const EventBinding& binding : events) {
        if (auto fault = binding_fault(form, binding)) {
            return fault;
        }
        if (!bound.emplace(binding.component, binding.kind).second) {
            return "the event table binds one event of " + quoted(binding.component) + " twice";
        }
    }
    return std::nullopt;
}

}  // namespace qorvex::runtime
