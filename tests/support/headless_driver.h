#pragma once

// The runtime contract's driver for the headless back end.

#include "runtime/headless/headless_runtime.h"
#include "support/runtime_driver.h"

namespace qorvex::test {

class HeadlessDriver final : public RuntimeDriver {
public:
    runtime::Runtime& runtime() override;
    runtime::HeadlessRuntime& headless() { return m_runtime; }

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

private:
    runtime::HeadlessRuntime m_runtime;
};

}  // namespace qorvex::test
