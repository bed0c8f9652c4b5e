#include "runtime/component_properties.h"

#include <array>
#include <cstdint>

#include "runtime/runtime.h"

namespace qorvex::runtime {

namespace {

using PropertySet = std::uint32_t;

constexpr PropertySet bit(Property property) {
    return PropertySet{1} << static_cast<unsigned>(property);
}

constexpr PropertySet kPlaced =
    bit(Property::Visible) | bit(Property::Enabled) | bit(Property::Geometry);
constexpr PropertySet kCaptioned = kPlaced | bit(Property::Text);
constexpr PropertySet kFocusable = bit(Property::Focus);

struct TypeRow {
    ComponentType type;
    std::string_view label;
    PropertySet properties;
};

// One row per component type; the window itself is reached through the
// window_* members of Form and offers no component property.
constexpr std::array<TypeRow, 12> kTypeRows{{
    {ComponentType::Window, "window", 0},
    {ComponentType::EditBox, "edit box", kCaptioned | kFocusable | bit(Property::AppendText)},
    {ComponentType::Label, "label", kCaptioned},
    {ComponentType::TransparentLabel, "transparent label", kCaptioned},
    {ComponentType::Button, "button", kCaptioned | kFocusable},
    {ComponentType::PictureButton, "picture button", kPlaced | kFocusable},
    {ComponentType::CheckBox, "check box", kCaptioned | kFocusable | bit(Property::Checked)},
    {ComponentType::RadioButton, "radio button", kCaptioned | kFocusable | bit(Property::Checked)},
    {ComponentType::GroupBox, "group box", kCaptioned},
    {ComponentType::ComboBox, "combo box",
     kPlaced | kFocusable | bit(Property::Selection) | bit(Property::Items) |
         bit(Property::EditItems)},
    {ComponentType::ListView, "list view",
     kPlaced | kFocusable | bit(Property::Selection) | bit(Property::Items)},
    {ComponentType::Timer, "timer", bit(Property::TimerPeriod) | bit(Property::Geometry)},
}};

constexpr std::array<std::string_view, 11> kPropertyLabels{
    "text",   "appended text", "selection", "items",    "item editing", "checked state",
    "period", "visibility",    "enabling",  "geometry", "focus",
};

const TypeRow* row_of(ComponentType type) {
    for (const TypeRow& row : kTypeRows) {
        if (row.type == type) {
            return &row;
        }
    }
    return nullptr;
}

}  // namespace

bool type_has(ComponentType type, Property property) {
    const TypeRow* row = row_of(type);
    return row != nullptr && (row->properties & bit(property)) != 0;
}

std::string_view type_label(ComponentType type) {
    const TypeRow* row = row_of(type);
    return row != nullptr ? row->label : "unknown type";
}

std::string_view property_label(Property property) {
    return kPropertyLabels.at(static_cast<std::size_t>(property));
}

void require_property(std::string_view name, ComponentType type, Property property) {
    if (!type_has(type, property)) {
        throw ComponentError("component '" + std::string(name) + "' is a " +
                             std::string(type_label(type)) + " and has no " +
                             std::string(property_label(property)));
    }
}

std::string unknown_component_message(std::string_view form_name, std::string_view name) {
    return "form '" + std::string(form_name) + "' has no component '" + std::string(name) + "'";
}

}  // namespace qorvex::runtime
