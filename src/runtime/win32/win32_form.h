#pragma once

// One window of the Win32 runtime: a top-level window made from a
// FormDescription, with one standard control per component (multi-line edit
// boxes are line views of the program's own, see line_view.h; timers are
// SetTimer timers of the window). Components are found by name; each access
// is one message to the control. After the window is destroyed the object
// stays valid and inert.

#include <windows.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/component_properties.h"
#include "runtime/designed_frame.h"
#include "runtime/runtime.h"
#include "runtime/win32/gdi_fonts.h"
#include "runtime/win32/png_pictures.h"

namespace qorvex::runtime {

class Win32Runtime;

class Win32Form final : public Form, public std::enable_shared_from_this<Win32Form> {
public:
    Win32Form(Win32Runtime& runtime, FormDescription description, EventTable events,
              WindowMode mode);
    ~Win32Form() override;

    // Makes the window and its controls, hidden; false when Windows refuses.
    bool create();
    // Shows the window; `activate` also makes it the active window.
    void show(bool activate);
    void activate();

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
    HWND handle() const { return m_window; }
    bool belongs_to(const Win32Runtime& runtime) const { return &m_runtime == &runtime; }
    // The control of a component; nullptr for timers and unknown names.
    HWND control(std::string_view name) const;
    // The control identifier a component of `description` gets; -1 for an
    // unknown name. Tools outside the program find controls by it.
    static int control_id(const FormDescription& description, std::string_view name);
    // Timer identifier of a timer component, for WM_TIMER; 0 for others.
    UINT_PTR timer_id(std::string_view name) const;

    // Dispatches one event to its handler, if the table binds one.
    void raise(std::string_view component, EventKind kind, const EventArgs& args = {});

private:
    struct Component {
        const ComponentDescription* description = nullptr;
        HWND window = nullptr;
        int id = 0;
        int period_ms = 0;
        bool multi_line = false;  // multi-line edit boxes are line views
        std::unique_ptr<PictureSet> pictures;
        bool hover = false;
        int known_row = -1;  // list views: the current row as last set or reported
    };

    static LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    static LRESULT CALLBACK control_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                         UINT_PTR subclass, DWORD_PTR data);
    LRESULT handle_message(UINT message, WPARAM wparam, LPARAM lparam);
    // Messages that a group box receives for the controls inside it go to the
    // window; labels and picture buttons need their mouse messages.
    LRESULT handle_control_message(Component& component, UINT message, WPARAM wparam, LPARAM lparam,
                                   bool& handled);
    bool handle_command(WPARAM wparam, LPARAM lparam);
    void handle_notify(const NMHDR& header);
    void report_row_change(Component& list);
    void restore_focus();
    bool handle_set_cursor(HWND over, LPARAM lparam);
    LRESULT color_static(HDC dc, HWND control);
    void draw_picture_button(const DRAWITEMSTRUCT& item);

    bool create_control(Component& component);
    bool follows_radio_button(const ComponentDescription& radio) const;
    void window_gone();

    bool live() const;
    WindowSize designed_size() const;
    const Component* find(std::string_view name) const;
    const Component* find(HWND control) const;
    Component* find_by_id(int id);
    const Component& component(std::string_view name, Property property) const;
    Component& component(std::string_view name, Property property);
    void check_radio(const Component& chosen);

    Win32Runtime& m_runtime;
    const FormDescription m_description;
    EventTable m_events;
    const WindowMode m_mode;
    std::vector<Component> m_components;
    std::map<std::string, std::size_t, std::less<>> m_index;
    FontCache m_fonts;
    HWND m_window = nullptr;
    HWND m_last_focus = nullptr;
    bool m_activated = false;
    bool m_destroying = false;
    bool m_in_destructor = false;
};

}  // namespace qorvex::runtime
