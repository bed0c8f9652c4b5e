#pragma once

// The Qt 6 Widgets back end of the component runtime.
//
// A QApplication must exist before a QtRuntime is made, on the thread that
// made it: that thread is the user-interface thread. main() creates one (and
// tests get one from tests/qt/qt_test_main.cpp).
//
// Activation follows the native platform: before the message loop runs,
// nothing activates a window; run() activates the windows made so far, and a
// window made while the loop runs is activated as it is shown. A window's
// first activation by the runtime raises its first-activation event; Qt's
// own activations (a window manager, the offscreen platform showing a
// window) come later, or never, and raise nothing.

#include <QObject>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

#include "runtime/message_box_gate.h"
#include "runtime/qt/qt_form.h"
#include "runtime/runtime.h"

class QEventLoop;

namespace qorvex::runtime::qt {

class QtRuntime final : public Runtime {
public:
    // Opens a web address; the default hands it to the desktop's browser.
    using UrlOpener = std::function<void(std::string_view url)>;

    QtRuntime();
    // For tests and scripts that must not start a browser.
    explicit QtRuntime(UrlOpener open_url);
    ~QtRuntime() override;

    using Runtime::create_window;
    std::shared_ptr<Form> create_window(const FormDescription& description, EventTable events,
                                        WindowMode mode, const WindowReady& ready) override;
    void message_box(std::string_view text) override;
    void after_message_boxes(std::function<void()> task) override;
    void open_url(std::string_view url) override;
    void delay(int milliseconds) override;
    void post(std::function<void()> task) override;
    int run() override;

    // Windows that exist, in the order they were made.
    std::vector<std::shared_ptr<QtForm>> windows() const { return m_windows; }
    // 0 once the last window is gone; nothing while windows exist or before
    // the first was made.
    std::optional<int> exit_code() const { return m_exit_code; }

private:
    void window_destroyed(const QtForm& form);
    // While modal windows exist only the one made last takes input.
    void update_blocking();
    bool accepts(std::uint64_t generation) const;

    UrlOpener m_open_url;
    MessageBoxGate m_box_gate;
    std::vector<std::shared_ptr<QtForm>> m_windows;
    QEventLoop* m_loop = nullptr;
    bool m_running = false;
    std::optional<int> m_exit_code;
    // Posted tasks run in the context of this object and die with it.
    std::unique_ptr<QObject> m_context;
    mutable std::mutex m_post_mutex;
    bool m_loop_ended = false;
    // Tasks queued before the loop ended carry an older generation and are dropped.
    std::uint64_t m_generation = 0;
};

}  // namespace qorvex::runtime::qt
