#pragma once

// The component runtime on plain Win32: each window is a top-level window of
// its own class with standard controls as children, events come from the
// thread's message queue, and tasks posted by worker threads reach the
// user-interface thread as a posted message to a message-only window.
//
// The thread that makes the runtime is the user-interface thread; it must
// keep the runtime for as long as it pumps messages.

#include <windows.h>

#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "runtime/message_box_gate.h"
#include "runtime/runtime.h"

namespace qorvex::runtime {

class Win32Form;

// Carries out the shell's "open" for a web address with the given owner
// window; tests put a recorder here so that no browser starts.
using OpenPage = std::function<void(HWND owner, const std::wstring& url)>;

class Win32Runtime final : public Runtime {
public:
    explicit Win32Runtime(OpenPage open_page = {});
    ~Win32Runtime() override;

    using Runtime::create_window;
    std::shared_ptr<Form> create_window(const FormDescription& description, EventTable events,
                                        WindowMode mode, const WindowReady& ready) override;
    void message_box(std::string_view text) override;
    void after_message_boxes(std::function<void()> task) override;
    void open_url(std::string_view url) override;
    void delay(int milliseconds) override;
    void post(std::function<void()> task) override;
    int run() override;

    // Dispatches every message already waiting, posted tasks included.
    void process_pending();
    // An exception thrown by a handler or task is held while the system
    // dispatches the message and thrown again from here; the runtime's own
    // loops call it after every message.
    void rethrow_handler_exception();
    // True once the last window is gone, until another one is made.
    bool loop_ended() const;
    // Windows that exist, in the order they were made.
    std::vector<std::shared_ptr<Win32Form>> windows() const;
    // The runtime's own window of `form`, or nullptr when another runtime made it.
    Win32Form* own(Form& form) const;

    // The window that the shell's "open" names as owner: the top-level window
    // titled exactly "Microsoft Internet Explorer", else none.
    static HWND page_owner();

private:
    friend class Win32Form;

    void require_ui_thread() const;
    // Gives every window the enabled state that the modal windows allow; the
    // window about to go (`leaving`) no longer counts.
    void apply_modal_state(const Win32Form* leaving);
    void window_destroyed(const Win32Form& form);
    void dispatch(MSG& message);
    void run_posted_tasks();
    void run_handler(const std::function<void()>& handler);
    static LRESULT CALLBACK task_window_proc(HWND window, UINT message, WPARAM wparam,
                                             LPARAM lparam);

    const std::thread::id m_ui_thread;
    OpenPage m_open_page;
    MessageBoxGate m_box_gate;
    bool m_ole_initialised = false;
    int m_loop_depth = 0;
    HWND m_task_window = nullptr;
    std::vector<std::shared_ptr<Win32Form>> m_windows;
    std::exception_ptr m_handler_exception;

    mutable std::mutex m_queue_mutex;
    std::deque<std::function<void()>> m_queue;
    bool m_wake_posted = false;
    bool m_loop_ended = false;
};

}  // namespace qorvex::runtime
