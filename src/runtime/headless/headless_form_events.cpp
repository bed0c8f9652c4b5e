#include "runtime/headless/headless_form.h"
#include "runtime/headless/headless_runtime.h"

// The event side of the in-memory window: dispatch, focus, timers and the
// actions a user can take.

namespace qorvex::runtime {

void HeadlessForm::raise(std::string_view component, EventKind kind, const EventArgs& args) {
    if (!m_exists) {
        return;
    }
    // The handler may destroy this window (and with it the table); both stay
    // alive until it returns.
    auto keep_alive = shared_from_this();
    if (const EventHandler handler = bound_handler(m_events, component, kind)) {
        handler(args);
    }
}

std::string HeadlessForm::focused() const {
    return live() ? m_focus : std::string();
}

void HeadlessForm::move_focus(const Component& target) {
    // Only a real move of the focus raises got-focus.
    if (m_focus == target.description->name) {
        return;
    }
    m_focus = target.description->name;
    if (target.description->type == ComponentType::ComboBox) {
        raise(target.description->name, EventKind::GotFocus);
    }
}

bool HeadlessForm::reachable(const Component& target) const {
    if (!m_exists || !m_runtime.window_enabled(*this) || !target.visible || !target.enabled) {
        return false;
    }
    // A component inside a hidden or disabled group box is out of reach too.
    const Component* parent = find(target.description->parent);
    return parent == nullptr || reachable(*parent);
}

bool HeadlessForm::user_click(std::string_view name) {
    if (!live()) {
        return false;
    }
    const Component* found = find(name);
    if (found == nullptr) {
        throw ComponentError(unknown_component_message(m_description.name, name));
    }
    const ComponentType type = found->description->type;
    if (type != ComponentType::Button && type != ComponentType::PictureButton &&
        type != ComponentType::CheckBox && type != ComponentType::RadioButton) {
        throw ComponentError("component '" + std::string(name) + "' is a " +
                             std::string(type_label(type)) + " and cannot be clicked");
    }
    if (!reachable(*found)) {
        return false;
    }
    Component& target = m_components[m_index.find(name)->second];
    move_focus(target);
    if (type == ComponentType::CheckBox) {
        target.checked = !target.checked;
    } else if (type == ComponentType::RadioButton) {
        select_radio(target);
    } else {
        raise(name, EventKind::Clicked);
    }
    return true;
}

bool HeadlessForm::user_choose_item(std::string_view name, int index) {
    if (!live()) {
        return false;
    }
    const Component& target = component(name, Property::EditItems);
    if (index < 0 || static_cast<std::size_t>(index) >= target.items.size()) {
        throw ComponentError("combo box '" + std::string(name) + "' has no item " +
                             std::to_string(index));
    }
    if (!reachable(target)) {
        return false;
    }
    // Opening the drop-down list gives the combo box the focus first.
    move_focus(target);
    if (!m_exists || !reachable(target) || static_cast<std::size_t>(index) >= target.items.size()) {
        return false;
    }
    component(name, Property::Selection).selection = index;
    raise(name, EventKind::ItemSelected);
    return true;
}

bool HeadlessForm::user_focus(std::string_view name) {
    if (!live()) {
        return false;
    }
    const Component& target = component(name, Property::Focus);
    if (!reachable(target)) {
        return false;
    }
    move_focus(target);
    return true;
}

bool HeadlessForm::user_choose_row(std::string_view name, int row) {
    if (!live()) {
        return false;
    }
    const Component& target = component(name, Property::Items);
    if (target.description->type != ComponentType::ListView) {
        throw ComponentError("component '" + std::string(name) + "' is not a list view");
    }
    if (row < 0 || static_cast<std::size_t>(row) >= target.description->items.size()) {
        throw ComponentError("list view '" + std::string(name) + "' has no row " +
                             std::to_string(row));
    }
    if (!reachable(target)) {
        return false;
    }
    move_focus(target);
    Component& list = component(name, Property::Selection);
    if (!m_exists || list.selection == row) {
        return m_exists;
    }
    list.selection = row;
    raise(name, EventKind::RowChanged);
    return true;
}

bool HeadlessForm::user_press_label(std::string_view name, int x, int y, int key_state) {
    if (!live()) {
        return false;
    }
    const Component& target = component(name, Property::Text);
    if (target.description->type != ComponentType::TransparentLabel) {
        throw ComponentError("component '" + std::string(name) +
                             "' is not a transparent label and raises no button press");
    }
    const Rect& area = target.description->geometry;
    if (!reachable(target) || x < 0 || y < 0 || x >= area.width || y >= area.height) {
        return false;
    }
    raise(name, EventKind::LeftButtonPressed, EventArgs{x, y, key_state});
    return true;
}

bool HeadlessForm::user_activate() {
    if (!live() || !m_runtime.window_enabled(*this)) {
        return false;
    }
    if (!m_activated) {
        m_activated = true;
        raise("", EventKind::FirstActivation);
    }
    return true;
}

bool HeadlessForm::user_close() {
    // A window without a title bar offers the user no way to close it.
    if (!live() || !m_runtime.window_enabled(*this) || !m_description.style.title_bar) {
        return false;
    }
    destroy();
    return true;
}

bool HeadlessForm::tick(std::string_view timer_name) {
    if (!live()) {
        return false;
    }
    if (component(timer_name, Property::TimerPeriod).period_ms <= 0) {
        return false;
    }
    raise(timer_name, EventKind::PeriodElapsed);
    return true;
}

std::optional<HeadlessForm::DueTimer> HeadlessForm::next_due_timer() const {
    if (!m_exists) {
        return std::nullopt;
    }
    std::optional<DueTimer> first;
    for (std::size_t i = 0; i < m_components.size(); ++i) {
        const Component& state = m_components[i];
        if (state.period_ms > 0 && (!first || state.due_ms < first->due_ms)) {
            first = DueTimer{state.due_ms, i};
        }
    }
    return first;
}

void HeadlessForm::fire_timer(std::size_t index) {
    Component& timer = m_components.at(index);
    if (!m_exists || timer.period_ms <= 0) {
        return;
    }
    timer.due_ms += timer.period_ms;
    raise(timer.description->name, EventKind::PeriodElapsed);
}

}  // namespace qorvex::runtime
