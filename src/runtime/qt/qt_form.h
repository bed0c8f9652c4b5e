#pragma once

// A window of the Qt back end: a FormWindow with the widgets of its
// description, addressed by component name. Once destroyed the object stays
// valid and inert (reads give empty values, writes do nothing), so a late
// result posted by a worker never reaches a deleted widget.

#include <QPointer>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "runtime/component_properties.h"
#include "runtime/qt/form_window.h"
#include "runtime/qt/qt_component.h"
#include "runtime/runtime.h"

namespace qorvex::runtime::qt {

class QtForm final : public Form, public std::enable_shared_from_this<QtForm> {
public:
    // Builds the window, hidden, with every component and the event table
    // wired; nullptr when the description or the table cannot be loaded.
    static std::shared_ptr<QtForm> load(const FormDescription& description, EventTable events,
                                        WindowMode mode);
    ~QtForm() override;

    bool exists() const override;
    const FormDescription& description() const override;
    bool has_component(std::string_view name) const override;
    std::string text(std::string_view name) const override;
    void set_text(std::string_view name, std::string_view text) override;
    void append_text(std::string_view name, std::string_view text) override;
    void visit_lines(std::string_view name, const LineVisitor& visit) const override;
    int selection(std::string_view name) const override;
    void set_selection(std::string_view name, int index) override;
    std::vector<std::string> items(std::string_view name) const override;
    void clear_items(std::string_view name) override;
    void add_item(std::string_view name, std::string_view item) override;
    bool checked(std::string_view name) const override;
    void set_checked(std::string_view name, bool checked) override;
    int timer_period(std::string_view name) const override;
    void set_timer_period(std::string_view name, int milliseconds) override;
    bool visible(std::string_view name) const override;
    void set_visible(std::string_view name, bool visible) override;
    bool enabled(std::string_view name) const override;
    void set_enabled(std::string_view name, bool enabled) override;
    Rect geometry(std::string_view name) const override;
    void set_focus(std::string_view name) override;
    int window_width() const override;
    int window_height() const override;
    void set_window_size(int width, int height) override;
    bool window_enabled() const override;
    void destroy() override;

    WindowMode mode() const { return m_mode; }
    // The top-level widget; null once the window is destroyed.
    FormWindow* window() const { return m_window; }
    // The widget of a component, null for a timer; throws ComponentError for
    // an unknown name. Null once the window is destroyed.
    QWidget* widget(std::string_view name) const;
    // The Qt timer of a timer component; throws ComponentError for another
    // type. Null once the window is destroyed.
    QTimer* timer(std::string_view name) const;

    // Shows the window without activating it.
    void show();
    // Makes the window the active one; the first time, raises first activation.
    void activate();
    // Disables the window while a modal window of the program exists.
    void set_blocked(bool blocked);
    // Called once when the window is destroyed, by the program or the user.
    void on_destroyed(std::function<void(QtForm&)> listener);

    // Dispatches one event to its handler, if the table binds one.
    void raise(std::string_view component, EventKind kind, const EventArgs& args = {});
    // A watched combo box received the input focus.
    void focus_received(std::string_view name, QWidget* widget, Qt::FocusReason reason);

private:
    QtForm(FormDescription description, EventTable events, WindowMode mode);

    bool build();
    // Makes the components not made yet whose parent exists; false when it
    // made none, or one cannot be made.
    bool make_components_with_parents();
    const QtComponent* find(std::string_view name) const;
    const QtComponent& component(std::string_view name, Property property) const;
    QtComponent& component(std::string_view name, Property property);

    const FormDescription m_description;
    EventTable m_events;
    const WindowMode m_mode;
    QPointer<FormWindow> m_window;
    std::map<std::string, QtComponent, std::less<>> m_components;
    std::function<void(QtForm&)> m_destroyed;
    // Focus moved by the program while the window was inactive: got-focus has
    // been raised already, so the focus Qt hands over on activation is not
    // reported a second time.
    QPointer<QWidget> m_deferred_focus;
    int m_focus_events = 0;
    bool m_activated = false;
};

}  // namespace qorvex::runtime::qt
