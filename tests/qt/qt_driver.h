#pragma once

// The runtime contract's driver for the Qt back end. It acts through real
// input: mouse presses and clicks delivered through the platform window (so
// Qt finds the widget under the pointer and ignores hidden, disabled and
// blocked ones), the drop-down list opened and an item clicked in it, keys
// typed. Message boxes are read and closed with their OK button as a user
// would; opened addresses are recorded instead of starting a browser.
//
// Needs the QApplication of qt_test_main.cpp.

#include <QPointer>
#include <QSize>
#include <QTimer>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "runtime/qt/qt_runtime.h"
#include "support/runtime_driver.h"

namespace qorvex::test {

class QtDriver final : public RuntimeDriver, public EditBoxInput {
public:
    QtDriver();
    ~QtDriver() override;

    runtime::Runtime& runtime() override { return *m_runtime; }
    runtime::qt::QtRuntime& qt_runtime() { return *m_runtime; }

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

    void click(runtime::Form& form, std::string_view name, std::size_t offset, bool shift) override;
    void double_click(runtime::Form& form, std::string_view name, std::size_t offset) override;
    void press(runtime::Form& form, std::string_view name, Key key, int key_state) override;
    void type(runtime::Form& form, std::string_view name, std::string_view text) override;
    std::vector<MenuEntry> menu(runtime::Form& form, std::string_view name) override;
    bool choose(runtime::Form& form, std::string_view name, std::string_view label) override;
    Selection selection(runtime::Form& form, std::string_view name) override;
    bool in_sight(runtime::Form& form, std::string_view name, std::size_t offset) override;

    // Captions of the message boxes closed so far.
    const std::vector<std::string>& message_box_captions() const { return m_box_captions; }

private:
    // Records the client size of every top-level widget as it is shown.
    class ShowWatch : public QObject {
    public:
        bool eventFilter(QObject* watched, QEvent* event) override;
        // A widget deleted since reads as null, so a new one at its address never matches.
        std::vector<std::pair<QPointer<QObject>, QSize>> shown;
    };

    void close_open_message_boxes();

    std::vector<std::string> m_opened_urls;
    std::vector<std::string> m_box_texts;
    std::vector<std::string> m_box_captions;
    std::vector<QPointer<QWidget>> m_boxes_seen;
    std::unique_ptr<runtime::qt::QtRuntime> m_runtime;
    // Looks for message boxes while one blocks in its own event loop.
    QTimer m_box_watch;
    ShowWatch m_show_watch;
};

// The Qt form behind a Form made by a QtRuntime; throws ComponentError for another.
runtime::qt::QtForm& qt_form(runtime::Form& form);

}  // namespace qorvex::test
