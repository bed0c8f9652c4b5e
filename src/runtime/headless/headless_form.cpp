#include "runtime/headless/headless_form.h"

#include <utility>

#include "runtime/headless/headless_runtime.h"

namespace qorvex::runtime {

HeadlessForm::HeadlessForm(HeadlessRuntime& runtime, FormDescription description, EventTable events,
                           WindowMode mode)
    : m_runtime(runtime),
      m_description(std::move(description)),
      m_events(std::move(events)),
      m_mode(mode),
      m_width(m_description.width),
      m_height(m_description.height) {
    m_components.reserve(m_description.components.size());
    for (const ComponentDescription& source : m_description.components) {
        Component& state = m_components.emplace_back();
        state.description = &source;
        state.text = source.text;
        state.selection = source.selected_index;
        state.items = source.items;
        state.checked = source.checked;
        state.visible = source.visible && source.type != ComponentType::Timer;
        m_index.emplace(source.name, m_components.size() - 1);
    }
    // Timers start on the runtime's clock as soon as the window exists.
    for (Component& state : m_components) {
        if (state.description->type == ComponentType::Timer) {
            state.period_ms = state.description->timer_period_ms;
            state.due_ms = m_runtime.now_ms() + state.period_ms;
        }
    }
}

bool HeadlessForm::live() const {
    m_runtime.require_ui_thread();
    return m_exists;
}

const HeadlessForm::Component* HeadlessForm::find(std::string_view name) const {
    auto found = m_index.find(name);
    return found == m_index.end() ? nullptr : &m_components[found->second];
}

const HeadlessForm::Component& HeadlessForm::component(std::string_view name,
                                                       Property property) const {
    const Component* found = find(name);
    if (found == nullptr) {
        throw ComponentError(unknown_component_message(m_description.name, name));
    }
    require_property(name, found->description->type, property);
    return *found;
}

HeadlessForm::Component& HeadlessForm::component(std::string_view name, Property property) {
    return const_cast<Component&>(std::as_const(*this).component(name, property));
}

bool HeadlessForm::exists() const {
    return live();
}

const FormDescription& HeadlessForm::description() const {
    return m_description;
}

bool HeadlessForm::has_component(std::string_view name) const {
    return live() && find(name) != nullptr;
}

std::string HeadlessForm::text(std::string_view name) const {
    return live() ? component(name, Property::Text).text : std::string();
}

void HeadlessForm::set_text(std::string_view name, std::string_view text) {
    if (live()) {
        component(name, Property::Text).text = text;
    }
}

void HeadlessForm::append_text(std::string_view name, std::string_view text) {
    if (live()) {
        component(name, Property::AppendText).text += text;
    }
}

int HeadlessForm::selection(std::string_view name) const {
    return live() ? component(name, Property::Selection).selection : -1;
}

void HeadlessForm::set_selection(std::string_view name, int index) {
    if (!live()) {
        return;
    }
    Component& state = component(name, Property::Selection);
    // Like the native controls, an index outside the list selects nothing.
    const bool in_range = index >= 0 && static_cast<std::size_t>(index) < state.items.size();
    state.selection = in_range ? index : -1;
}

std::vector<std::string> HeadlessForm::items(std::string_view name) const {
    return live() ? component(name, Property::Items).items : std::vector<std::string>();
}

void HeadlessForm::clear_items(std::string_view name) {
    if (live()) {
        Component& state = component(name, Property::EditItems);
        state.items.clear();
        state.selection = -1;
    }
}

void HeadlessForm::add_item(std::string_view name, std::string_view item) {
    if (live()) {
        component(name, Property::EditItems).items.emplace_back(item);
    }
}

bool HeadlessForm::checked(std::string_view name) const {
    return live() && component(name, Property::Checked).checked;
}

void HeadlessForm::set_checked(std::string_view name, bool checked) {
    if (!live()) {
        return;
    }
    Component& state = component(name, Property::Checked);
    if (checked && state.description->type == ComponentType::RadioButton) {
        select_radio(state);
    } else {
        state.checked = checked;
    }
}

void HeadlessForm::select_radio(Component& chosen) {
    // Radio buttons sharing a parent form one group: selecting one clears the others.
    for (Component& other : m_components) {
        if (other.description->type == ComponentType::RadioButton &&
            other.description->parent == chosen.description->parent) {
            other.checked = false;
        }
    }
    chosen.checked = true;
}

int HeadlessForm::timer_period(std::string_view name) const {
    return live() ? component(name, Property::TimerPeriod).period_ms : 0;
}

void HeadlessForm::set_timer_period(std::string_view name, int milliseconds) {
    if (live()) {
        Component& state = component(name, Property::TimerPeriod);
        state.period_ms = milliseconds > 0 ? milliseconds : 0;
        state.due_ms = m_runtime.now_ms() + state.period_ms;
    }
}

bool HeadlessForm::visible(std::string_view name) const {
    return live() && component(name, Property::Visible).visible;
}

void HeadlessForm::set_visible(std::string_view name, bool visible) {
    if (live()) {
        component(name, Property::Visible).visible = visible;
    }
}

bool HeadlessForm::enabled(std::string_view name) const {
    return live() && component(name, Property::Enabled).enabled;
}

void HeadlessForm::set_enabled(std::string_view name, bool enabled) {
    if (live()) {
        component(name, Property::Enabled).enabled = enabled;
    }
}

Rect HeadlessForm::geometry(std::string_view name) const {
    return live() ? component(name, Property::Geometry).description->geometry : Rect{};
}

void HeadlessForm::set_focus(std::string_view name) {
    if (live()) {
        move_focus(component(name, Property::Focus));
    }
}

int HeadlessForm::window_width() const {
    return live() ? m_width : 0;
}

int HeadlessForm::window_height() const {
    return live() ? m_height : 0;
}

void HeadlessForm::set_window_size(int width, int height) {
    if (live()) {
        m_width = width;
        m_height = height;
    }
}

void HeadlessForm::show() {
    if (live()) {
        m_shown_sizes.push_back({m_width, m_height});
    }
}

bool HeadlessForm::window_enabled() const {
    return live() && m_runtime.window_enabled(*this);
}

void HeadlessForm::destroy() {
    if (!live()) {
        return;
    }
    auto keep_alive = shared_from_this();
    m_exists = false;
    m_focus.clear();
    // Handlers often hold on to the program's state; releasing them with the
    // window breaks the cycle between the state and the window.
    m_events.clear();
    m_runtime.window_destroyed(*this);
}

}  // namespace qorvex::runtime
