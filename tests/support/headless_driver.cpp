#include "support/headless_driver.h"

namespace qorvex::test {

runtime::Runtime& HeadlessDriver::runtime() {
    return m_runtime;
}

bool HeadlessDriver::click(runtime::Form& form, std::string_view name) {
    return m_runtime.click(form, name);
}

bool HeadlessDriver::choose_item(runtime::Form& form, std::string_view name, int index) {
    return m_runtime.choose_item(form, name, index);
}

bool HeadlessDriver::focus(runtime::Form& form, std::string_view name) {
    return m_runtime.focus(form, name);
}

bool HeadlessDriver::choose_row(runtime::Form& form, std::string_view name, int row) {
    return m_runtime.choose_row(form, name, row);
}

bool HeadlessDriver::press_label(runtime::Form& form, std::string_view name, int x, int y,
                                 int key_state) {
    return m_runtime.press_label(form, name, x, y, key_state);
}

bool HeadlessDriver::activate(runtime::Form& form) {
    return m_runtime.activate(form);
}

bool HeadlessDriver::close(runtime::Form& form) {
    return m_runtime.close(form);
}

bool HeadlessDriver::tick(runtime::Form& form, std::string_view timer_name) {
    return m_runtime.tick(form, timer_name);
}

void HeadlessDriver::process_events() {
    m_runtime.process_posted();
}

bool HeadlessDriver::wait_until(const std::function<bool()>& done,
                                std::chrono::milliseconds timeout) {
    return m_runtime.wait_until(done, timeout);
}

std::optional<int> HeadlessDriver::exit_code() const {
    return m_runtime.exit_code();
}

std::vector<runtime::WindowSize> HeadlessDriver::shown_sizes(runtime::Form& form) {
    return m_runtime.shown_sizes(form);
}

std::optional<std::vector<std::string>> HeadlessDriver::message_boxes() const {
    return m_runtime.message_boxes();
}

std::optional<std::vector<std::string>> HeadlessDriver::opened_urls() const {
    return m_runtime.opened_urls();
}

}  // namespace qorvex::test
