#pragma once

// An in-memory window: every component of its description with the values a
// real widget would hold, and the event table dispatched synchronously. The
// user actions (click, choose an item, ...) are driven by HeadlessRuntime's
// test interface and obey what a user could do: nothing on a hidden, disabled
// or blocked component.

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/component_properties.h"
#include "runtime/designed_frame.h"
#include "runtime/runtime.h"

namespace qorvex::runtime {

class HeadlessRuntime;

class HeadlessForm final : public Form, public std::enable_shared_from_this<HeadlessForm> {
public:
    HeadlessForm(HeadlessRuntime& runtime, FormDescription description, EventTable events,
                 WindowMode mode);

    bool exists() const override;
    const FormDescription& description() const override;
    bool has_component(std::string_view name) const override;
    std::string text(std::string_view name) const override;
    void set_text(std::string_view name, std::string_view text) override;
    void append_text(std::string_view name, std::string_view text) override;
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
    bool belongs_to(const HeadlessRuntime& runtime) const { return &m_runtime == &runtime; }

    // The component holding the input focus, empty for none.
    std::string focused() const;

    // Puts the window on the (virtual) screen at its current size.
    void show();
    // The window's size each time it was put on the screen, oldest first.
    const std::vector<WindowSize>& shown_sizes() const { return m_shown_sizes; }

    // Dispatches one event to its handler, if the table binds one.
    void raise(std::string_view component, EventKind kind, const EventArgs& args = {});

    // User actions; each returns whether the user could carry it out.
    bool user_click(std::string_view name);
    bool user_choose_item(std::string_view name, int index);
    bool user_focus(std::string_view name);
    bool user_choose_row(std::string_view name, int row);
    bool user_press_label(std::string_view name, int x, int y, int key_state);
    bool user_activate();
    bool user_close();
    bool tick(std::string_view timer_name);

    // The running timer due first and its due time on the runtime's clock.
    struct DueTimer {
        std::int64_t due_ms = 0;
        std::size_t index = 0;
    };
    std::optional<DueTimer> next_due_timer() const;
    void fire_timer(std::size_t index);

private:
    struct Component {
        const ComponentDescription* description = nullptr;
        std::string text;
        int selection = -1;
        std::vector<std::string> items;
        bool checked = false;
        int period_ms = 0;
        std::int64_t due_ms = 0;
        bool visible = true;
        bool enabled = true;
    };

    const Component* find(std::string_view name) const;
    const Component& component(std::string_view name, Property property) const;
    Component& component(std::string_view name, Property property);
    // Thread check first, then whether the window still exists.
    bool live() const;
    bool reachable(const Component& component) const;
    void move_focus(const Component& component);
    void select_radio(Component& chosen);

    HeadlessRuntime& m_runtime;
    const FormDescription m_description;
    EventTable m_events;
    const WindowMode m_mode;
    std::vector<Component> m_components;
    std::map<std::string, std::size_t, std::less<>> m_index;
    std::string m_focus;
    int m_width = 0;
    int m_height = 0;
    bool m_exists = true;
    bool m_activated = false;
    std::vector<WindowSize> m_shown_sizes;
};

}  // namespace qorvex::runtime
