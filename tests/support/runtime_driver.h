#pragma once

// What the runtime contract tests need of a back end: its Runtime and the
// actions a user takes on its windows. Each back end's test folder supplies a
// driver (headless_driver.h here; the Qt one beside the Qt tests) and
// registers the shared contract with it, see runtime_contract.h.

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/designed_frame.h"
#include "runtime/runtime.h"

namespace qorvex::test {

// What the user does inside a multi-line edit box, on back ends that take
// real input. Offsets are bytes of the box's text as Form::text reads it;
// each action first gives the box the focus.
class EditBoxInput {
public:
    virtual ~EditBoxInput() = default;

    struct MenuEntry {
        std::string label;
        bool enabled = false;
        bool operator==(const MenuEntry&) const = default;
    };
    struct Selection {
        std::size_t start = 0;
        std::size_t end = 0;
        bool operator==(const Selection&) const = default;
    };
    enum class Key { Left, Right, Home, End };

    // A left click on the character at `offset` (Shift held: the selection grows).
    virtual void click(runtime::Form& form, std::string_view name, std::size_t offset,
                       bool shift = false) = 0;
    virtual void double_click(runtime::Form& form, std::string_view name, std::size_t offset) = 0;
    // `key_state` as runtime::kKeyCtrl and kKeyShift.
    virtual void press(runtime::Form& form, std::string_view name, Key key, int key_state) = 0;
    virtual void type(runtime::Form& form, std::string_view name, std::string_view text) = 0;
    // A right click in the box: the entries of the menu that opens, which
    // the user then closes without a choice.
    virtual std::vector<MenuEntry> menu(runtime::Form& form, std::string_view name) = 0;
    // A right click, and the entry with this label chosen; false when the
    // menu has no such entry or it is greyed out.
    virtual bool choose(runtime::Form& form, std::string_view name, std::string_view label) = 0;
    virtual Selection selection(runtime::Form& form, std::string_view name) = 0;
    // Whether the box shows the caret's place before the character at `offset`.
    virtual bool in_sight(runtime::Form& form, std::string_view name, std::size_t offset) = 0;
};

class RuntimeDriver {
public:
    virtual ~RuntimeDriver() = default;

    virtual runtime::Runtime& runtime() = 0;

    // User actions. Each returns whether the user could carry it out: a
    // hidden or disabled component, or a window blocked by a modal one,
    // takes no action and gives false.
    virtual bool click(runtime::Form& form, std::string_view name) = 0;
    // The user opens the drop-down list (the combo box takes the focus) and
    // commits item `index`.
    virtual bool choose_item(runtime::Form& form, std::string_view name, int index) = 0;
    virtual bool focus(runtime::Form& form, std::string_view name) = 0;
    // The user clicks row `row` of a list view.
    virtual bool choose_row(runtime::Form& form, std::string_view name, int row) = 0;
    virtual bool press_label(runtime::Form& form, std::string_view name, int x, int y,
                             int key_state) = 0;
    virtual bool activate(runtime::Form& form) = 0;
    // The user closes the window through its title bar.
    virtual bool close(runtime::Form& form) = 0;

    // One period of the timer elapses; false when the timer is stopped.
    virtual bool tick(runtime::Form& form, std::string_view timer_name) = 0;

    // Dispatches whatever is pending, posted tasks included.
    virtual void process_events() = 0;
    // Keeps dispatching until `done` holds or `timeout` of real time has passed.
    virtual bool wait_until(const std::function<bool()>& done,
                            std::chrono::milliseconds timeout) = 0;

    // 0 once the last window is gone; nothing before.
    virtual std::optional<int> exit_code() const = 0;

    // The outer size of `form` each time it appeared on the screen, oldest
    // first; empty while it has not been shown.
    virtual std::vector<runtime::WindowSize> shown_sizes(runtime::Form& form) = 0;

    // Texts of the message boxes shown so far and addresses opened so far,
    // for back ends that can record them; nothing for the others.
    virtual std::optional<std::vector<std::string>> message_boxes() const { return std::nullopt; }
    virtual std::optional<std::vector<std::string>> opened_urls() const { return std::nullopt; }

    // The user's input inside edit boxes; nullptr on back ends without it.
    virtual EditBoxInput* edit_box_input() { return nullptr; }
};

using RuntimeDriverFactory = std::function<std::unique_ptr<RuntimeDriver>()>;

// A test written once against RuntimeDriver and run on every back end.
struct DriverCase {
    const char* name;
    void (*body)(RuntimeDriver& driver);
};

// Registers each case as the gtest `suite`.`name`, each run with a fresh
// driver from `factory`. Call it before main runs, from a namespace-scope
// initializer of the back end's test folder.
void register_driver_cases(const std::string& suite, const RuntimeDriverFactory& factory,
                           std::span<const DriverCase> cases);

}  // namespace qorvex::test
