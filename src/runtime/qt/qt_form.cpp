#include "runtime/qt/qt_form.h"

#include <set>
#include <utility>

#include "runtime/qt/event_wiring.h"

// Loading, events, focus and the window itself; component access is in
// qt_form_access.cpp.

namespace qorvex::runtime::qt {

QtForm::QtForm(FormDescription description, EventTable events, WindowMode mode)
    : m_description(std::move(description)), m_events(std::move(events)), m_mode(mode) {}

QtForm::~QtForm() {
    if (m_window != nullptr) {
        // The form may go while one of its widgets is still emitting a signal.
        m_window->hide();
        m_window->deleteLater();
    }
}

std::shared_ptr<QtForm> QtForm::load(const FormDescription& description, EventTable events,
                                     WindowMode mode) {
    std::shared_ptr<QtForm> form(new QtForm(description, std::move(events), mode));
    if (!form->build()) {
        return nullptr;
    }
    std::set<std::pair<std::string_view, EventKind>> wired;
    for (const EventBinding& binding : form->m_events) {
        auto found = form->m_components.find(binding.component);
        if (found != form->m_components.end() &&
            wired.emplace(binding.component, binding.kind).second) {
            wire_event(*form, found->second, binding.kind);
        }
    }
    std::weak_ptr<QtForm> weak = form;
    form->m_window->on_close_request([weak]() {
        if (auto owner = weak.lock()) {
            owner->destroy();
        }
    });
    return form;
}

bool QtForm::build() {
    m_window = new FormWindow(m_description, m_mode == WindowMode::Modal);
    m_window->centre();
    // Group boxes are parents: a component is made once its parent exists,
    // whatever order the description lists them in.
    bool progress = true;
    while (progress && m_components.size() < m_description.components.size()) {
        progress = make_components_with_parents();
    }
    if (m_components.size() != m_description.components.size()) {
        m_components.clear();
        delete m_window.data();
        return false;
    }
    return true;
}

bool QtForm::make_components_with_parents() {
    bool made = false;
    for (const ComponentDescription& description : m_description.components) {
        const QtComponent* group = find(description.parent);
        if (m_components.contains(description.name) ||
            (!description.parent.empty() && group == nullptr)) {
            continue;
        }
        QtComponent component =
            create_component(description, group != nullptr ? group->widget : m_window);
        if (component.widget == nullptr && component.timer == nullptr) {
            return false;
        }
        m_components.emplace(description.name, component);
        made = true;
    }
    return made;
}

bool QtForm::exists() const {
    return m_window != nullptr;
}

const FormDescription& QtForm::description() const {
    return m_description;
}

void QtForm::show() {
    if (exists()) {
        m_window->show();
    }
}

void QtForm::activate() {
    if (!exists()) {
        return;
    }
    // Asked for before the handler runs: a modal window the handler opens
    // must end up the active one.
    m_window->activateWindow();
    if (!m_activated) {
        m_activated = true;
        raise("", EventKind::FirstActivation);
    }
}

void QtForm::set_blocked(bool blocked) {
    if (exists()) {
        m_window->setEnabled(!blocked);
    }
}

void QtForm::on_destroyed(std::function<void(QtForm&)> listener) {
    m_destroyed = std::move(listener);
}

void QtForm::raise(std::string_view component, EventKind kind, const EventArgs& args) {
    if (!exists()) {
        return;
    }
    // The handler may destroy this window and release the last owner of the form.
    auto keep_alive = shared_from_this();
    if (const EventHandler handler = bound_handler(m_events, component, kind)) {
        handler(args);
    }
}

void QtForm::focus_received(std::string_view name, QWidget* widget, Qt::FocusReason reason) {
    // The focus comes back from the list a combo box dropped down; it never
    // left the combo box as far as the user is concerned.
    if (reason == Qt::PopupFocusReason) {
        return;
    }
    ++m_focus_events;
    const bool reported = widget == m_deferred_focus && reason == Qt::ActiveWindowFocusReason;
    m_deferred_focus = nullptr;
    if (!reported) {
        raise(name, EventKind::GotFocus);
    }
}

void QtForm::set_focus(std::string_view name) {
    if (!exists()) {
        return;
    }
    QWidget* target = component(name, Property::Focus).widget;
    // Only a real move of the focus raises got-focus.
    if (m_window->focusWidget() == target) {
        return;
    }
    const int focus_events = m_focus_events;
    target->setFocus(Qt::OtherFocusReason);
    if (m_focus_events == focus_events && type_raises(find(name)->type(), EventKind::GotFocus)) {
        // Qt hands the focus over only once the window is active; the caller
        // relies on got-focus having run when this returns.
        m_deferred_focus = target;
        raise(name, EventKind::GotFocus);
    }
}

int QtForm::window_width() const {
    return exists() ? m_window->outer_width() : 0;
}

int QtForm::window_height() const {
    return exists() ? m_window->outer_height() : 0;
}

void QtForm::set_window_size(int width, int height) {
    if (exists()) {
        m_window->set_outer_size(width, height);
    }
}

bool QtForm::window_enabled() const {
    return exists() && m_window->isEnabled();
}

void QtForm::destroy() {
    if (!exists()) {
        return;
    }
    auto keep_alive = shared_from_this();
    for (auto& [name, component] : m_components) {
        if (component.timer != nullptr) {
            component.timer->stop();
        }
    }
    m_components.clear();
    // Handlers often hold on to the program's state; releasing them with the
    // window breaks the cycle between the state and the window.
    m_events.clear();
    FormWindow* window = m_window;
    m_window = nullptr;
    // Deleted from the event loop: this may run inside a signal of one of its widgets.
    window->hide();
    window->deleteLater();
    if (m_destroyed) {
        auto listener = std::move(m_destroyed);
        listener(*this);
    }
}

}  // namespace qorvex::runtime::qt
