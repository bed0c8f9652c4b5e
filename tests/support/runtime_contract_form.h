#pragma once

// The windows the runtime contract is checked on: one component of every
// type (combo boxes and radio buttons in pairs, a group box with children)
// and a modal dialog without title bar. ContractWindow opens one with every
// event bound to a recorder, so a test reads what was raised, in order.

#include <memory>
#include <string>
#include <vector>

#include "runtime/runtime.h"
#include "support/runtime_driver.h"

namespace qorvex::test {

runtime::FormDescription contract_form();
runtime::FormDescription contract_dialog();

class ContractWindow {
public:
    ContractWindow(RuntimeDriver& driver, const runtime::FormDescription& description,
                   runtime::WindowMode mode = runtime::WindowMode::Normal);
    explicit ContractWindow(RuntimeDriver& driver);
    ~ContractWindow();
    ContractWindow(const ContractWindow&) = delete;
    ContractWindow& operator=(const ContractWindow&) = delete;

    bool opened() const { return m_form != nullptr; }
    runtime::Form& form() { return *m_form; }

    // Raised events as "<component> <event>", the window as "window"; combo
    // box events carry the selection seen by the handler, button presses
    // their arguments ("透明标签1 pressed 3,4,5").
    const std::vector<std::string>& events() const { return m_events; }
    void clear_events() { m_events.clear(); }

private:
    runtime::EventTable bind_every_event(const runtime::FormDescription& description);
    void record(const std::string& component, const std::string& entry);

    std::vector<std::string> m_events;
    std::shared_ptr<runtime::Form> m_form;
};

}  // namespace qorvex::test
