#pragma once

// The runtime contract's driver for the Win32 back end. User actions are the
// messages Windows itself sends a control when the user works it: the space
// key for buttons, the drop-down list and the return key for combo boxes, a
// button-down message for labels, the arrow keys for list view rows, WM_TIMER
// for a period that elapsed, the system command for closing. Message boxes
// are read and closed by a computer-based-training hook, as a user would read
// and confirm them; windows coming onto the screen are recorded by a hook on
// the messages they receive; opened addresses are recorded instead of
// starting a browser.

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "runtime/win32/win32_form.h"
#include "runtime/win32/win32_runtime.h"
#include "support/runtime_driver.h"

namespace qorvex::test {

struct ShownMessageBox {
    std::string caption;
    std::string text;
    bool task_modal = false;  // every window of the program was disabled while it showed
};

struct OpenedPage {
    HWND owner = nullptr;
    std::string url;
};

class Win32Driver final : public RuntimeDriver, public EditBoxInput {
public:
    Win32Driver();
    ~Win32Driver() override;

    runtime::Runtime& runtime() override;
    runtime::Win32Runtime& win32() { return *m_runtime; }

    bool click(runtime::Form& form, std::string_view name) override;
    bool choose_item(runtime::Form& form, std::string_view name, int index) override;
    bool focus(runtime::Form& form, std::string_view name) override;
    bool choose_row(runtime::Form& form, std::string_view name, int row) override;
    bool press_label(runtime::Form& form, std::string_view name, int x, int y,
                     int key_state) override;
    bool activate(runtime::Form& form) override;
    bool close(runtime::Form& form) override;
    bool tick(runtime::Form& form, std::string_view timer_name) override;
    void process_events() override;
    bool wait_until(const std::function<bool()>& done, std::chrono::milliseconds timeout) override;
    std::optional<int> exit_code() const override;
    std::vector<runtime::WindowSize> shown_sizes(runtime::Form& form) override;
    std::optional<std::vector<std::string>> message_boxes() const override;
    std::optional<std::vector<std::string>> opened_urls() const override;
    EditBoxInput* edit_box_input() override { return this; }

    // Inside a result box the user's input is the messages Windows sends the
    // box: mouse buttons at the place of a character, keys with the keyboard
    // state holding the modifiers, characters, and the right-click menu read
    // and chosen from as it opens.
    void click(runtime::Form& form, std::string_view name, std::size_t offset, bool shift) override;
    void double_click(runtime::Form& form, std::string_view name, std::size_t offset) override;
    void press(runtime::Form& form, std::string_view name, Key key, int key_state) override;
    void type(runtime::Form& form, std::string_view name, std::string_view text) override;
    std::vector<MenuEntry> menu(runtime::Form& form, std::string_view name) override;
    bool choose(runtime::Form& form, std::string_view name, std::string_view label) override;
    Selection selection(runtime::Form& form, std::string_view name) override;
    bool in_sight(runtime::Form& form, std::string_view name, std::size_t offset) override;

    const std::vector<ShownMessageBox>& shown_message_boxes() const;
    const std::vector<OpenedPage>& opened_pages() const { return m_pages; }

private:
    runtime::Win32Form& own(runtime::Form& form) const;
    // The control of a component the user could reach now, or nullptr; throws
    // ComponentError for an unknown name or a type without `property`.
    HWND reachable_control(runtime::Win32Form& form, std::string_view name,
                           runtime::Property property) const;
    // The edit box `name`, focused as the user's click would.
    HWND focused_box(runtime::Form& form, std::string_view name);
    // Opens the box's right-click menu, reads its entries and chooses the
    // one labelled `label` if it is enabled, or closes the menu.
    std::vector<MenuEntry> open_menu(HWND box, std::string_view label, bool& chosen);

    std::vector<OpenedPage> m_pages;
    std::unique_ptr<runtime::Win32Runtime> m_runtime;
    HHOOK m_hook = nullptr;
    HHOOK m_show_hook = nullptr;
};

}  // namespace qorvex::test
