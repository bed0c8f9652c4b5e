#pragma once

// The component runtime: the one interface through which handlers create
// windows, read and write components, show message boxes, open pages and start
// workers. Back ends (Qt, headless, later Win32) implement it; handlers never
// see a toolkit type.
//
// Threading: every Form and Runtime member must be called on the
// user-interface thread, except Runtime::post, which any thread may call.

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "runtime/events.h"
#include "runtime/form_description.h"

namespace qorvex::runtime {

// Thrown when a component name is unknown or names a component of the wrong
// type for the access. These are programming errors: tests find them.
class ComponentError : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

// One window made from a FormDescription. Components are addressed by name.
// Once the window is destroyed the object stays valid but inert: reads give
// empty values and writes do nothing, so a late result never touches a
// destroyed component.
class Form {
public:
    virtual ~Form() = default;
    Form() = default;
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    virtual bool exists() const = 0;
    virtual const FormDescription& description() const = 0;
    virtual bool has_component(std::string_view name) const = 0;

    // Edit box text, or the caption of a label, button, check box, radio button
    // or group box. Multi-line edit boxes separate lines with "\r\n" whatever
    // the widget stores internally.
    virtual std::string text(std::string_view name) const = 0;
    virtual void set_text(std::string_view name, std::string_view text) = 0;
    virtual void append_text(std::string_view name, std::string_view text) = 0;

    // Calls `visit` with each line of an edit box's text, in order, until it
    // returns false: the pieces of text() split on "\r\n", where an empty
    // piece between two line ends is a line and an empty rest after the last
    // one is not. A line is valid only during its call. The default splits
    // text(); back ends override it to walk a box of millions of lines
    // without building its whole text.
    using LineVisitor = std::function<bool(std::string_view line)>;
    virtual void visit_lines(std::string_view name, const LineVisitor& visit) const;

    // Combo box current index, or list view current row; -1 for none.
    // Setting it from the program raises no event.
    virtual int selection(std::string_view name) const = 0;
    virtual void set_selection(std::string_view name, int index) = 0;

    // Combo box items (list view rows are fixed by the description).
    virtual std::vector<std::string> items(std::string_view name) const = 0;
    virtual void clear_items(std::string_view name) = 0;
    virtual void add_item(std::string_view name, std::string_view item) = 0;

    // Check box checked, radio button selected.
    virtual bool checked(std::string_view name) const = 0;
    virtual void set_checked(std::string_view name, bool checked) = 0;

    // Timer period in milliseconds; 0 stops the timer.
    virtual int timer_period(std::string_view name) const = 0;
    virtual void set_timer_period(std::string_view name, int milliseconds) = 0;

    virtual bool visible(std::string_view name) const = 0;
    virtual void set_visible(std::string_view name, bool visible) = 0;
    virtual bool enabled(std::string_view name) const = 0;
    virtual void set_enabled(std::string_view name, bool enabled) = 0;

    // Current geometry relative to the parent's client area.
    virtual Rect geometry(std::string_view name) const = 0;

    // Moves the input focus; a got-focus handler runs before this returns.
    virtual void set_focus(std::string_view name) = 0;

    // The window itself.
    virtual int window_width() const = 0;
    virtual int window_height() const = 0;
    virtual void set_window_size(int width, int height) = 0;
    virtual bool window_enabled() const = 0;

    // Destroys the window and its components. When the last window of the
    // program is gone the message loop ends with exit code 0.
    virtual void destroy() = 0;
};

// The lines of `text` as Form::visit_lines hands them out.
void visit_text_lines(std::string_view text, const Form::LineVisitor& visit);

enum class WindowMode {
    Normal,
    Modal,  // every other window of the program is disabled while this one exists
};

class Runtime {
public:
    virtual ~Runtime() = default;
    Runtime() = default;
    Runtime(const Runtime&) = delete;
    Runtime& operator=(const Runtime&) = delete;

    // Hands a new window to its caller once the window and all its components
    // exist, before its creation-complete event: the creation handler finds
    // the window wherever the caller keeps it.
    using WindowReady = std::function<void(const std::shared_ptr<Form>& window)>;

    // Creates a window, binds its event table, hands the window to `ready`,
    // raises its creation-complete event and only then shows it, so that
    // nobody sees the window as designed before its creation handler has
    // resized or filled it. Returns nullptr when the window cannot be created
    // (an invalid description or a refused table row included).
    virtual std::shared_ptr<Form> create_window(const FormDescription& description,
                                                EventTable events, WindowMode mode,
                                                const WindowReady& ready) = 0;
    std::shared_ptr<Form> create_window(const FormDescription& description, EventTable events,
                                        WindowMode mode) {
        return create_window(description, std::move(events), mode, {});
    }

    // An application-modal box with one OK button and the caption "信息：";
    // returns when the user has closed it.
    virtual void message_box(std::string_view text) = 0;

    // Runs `task` at once when no message box is open, else once the last
    // open one has closed: a window it opens never ends up beneath a box,
    // whose closing would enable again the windows the new one must block.
    virtual void after_message_boxes(std::function<void()> task) = 0;

    // Opens a web address in the user's default browser; reports nothing.
    virtual void open_url(std::string_view url) = 0;

    // Waits while the user-interface thread keeps dispatching events.
    virtual void delay(int milliseconds) = 0;

    // Queues a task to run on the user-interface thread. Thread-safe. Tasks
    // posted after the message loop has ended are dropped.
    virtual void post(std::function<void()> task) = 0;

    // Runs the message loop until the last window is gone; returns the exit code.
    virtual int run() = 0;
};

}  // namespace qorvex::runtime
