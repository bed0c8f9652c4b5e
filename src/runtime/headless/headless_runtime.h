#pragma once

// The in-memory back end for tests. Events are dispatched synchronously, time
// is a virtual clock the test moves on, message boxes and opened addresses
// are recorded instead of shown. Tasks that worker threads post wait in a
// queue until the test (or a delay) processes them on the thread that made
// the runtime, which plays the user-interface thread.
//
// The test interface acts like a user: a click on a hidden or disabled
// component, or on a window blocked by a modal one, does nothing and returns
// false. Naming an unknown component, or one that cannot take the action,
// throws ComponentError.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "runtime/designed_frame.h"
#include "runtime/runtime.h"

namespace qorvex::runtime {

class HeadlessForm;

class HeadlessRuntime final : public Runtime {
public:
    HeadlessRuntime();
    ~HeadlessRuntime() override;

    using Runtime::create_window;
    std::shared_ptr<Form> create_window(const FormDescription& description, EventTable events,
                                        WindowMode mode, const WindowReady& ready) override;
    // Boxes are recorded and closed at once, so tasks waiting for them run at once.
    void message_box(std::string_view text) override;
    void after_message_boxes(std::function<void()> task) override;
    void open_url(std::string_view url) override;
    // Processes posted tasks and moves the virtual clock on by `milliseconds`,
    // firing the timers that fall due on the way.
    void delay(int milliseconds) override;
    void post(std::function<void()> task) override;
    // Processes posted tasks, waiting for them in real time, until no window is left.
    int run() override;

    // User actions on a window made by this runtime; each returns whether the
    // user could carry it out.
    bool click(Form& form, std::string_view name);  // buttons, check boxes, radio buttons
    // Opens the drop-down list (the combo box takes the focus) and commits item `index`.
    bool choose_item(Form& form, std::string_view name, int index);
    bool focus(Form& form, std::string_view name);
    // Clicks row `row` of a list view: the list takes the focus and the row becomes current.
    bool choose_row(Form& form, std::string_view name, int row);
    bool press_label(Form& form, std::string_view name, int x, int y, int key_state = 0);
    bool activate(Form& form);
    bool close(Form& form);  // only windows with a title bar can be closed by the user

    // One period of the timer elapses, if it runs (period above 0).
    bool tick(Form& form, std::string_view timer_name);
    // Runs the event loop for `milliseconds` of virtual time: posted tasks
    // first, then every running timer as often as its period fits, in time order.
    void advance_time(int milliseconds);
    std::int64_t now_ms() const;

    // Runs queued tasks, also those they queue, until none is left; returns how many ran.
    int process_posted();
    // Processes posted tasks as they arrive until `done` holds or `timeout` of
    // real time has passed; for tests with real worker threads.
    bool wait_until(const std::function<bool()>& done, std::chrono::milliseconds timeout);
    // When set, delay also lets its milliseconds pass in real time while
    // processing posted tasks, as a real message loop does.
    void set_delay_waits_real_time(bool waits);

    const std::vector<std::string>& message_boxes() const;
    const std::vector<std::string>& opened_urls() const;
    // 0 once the last window is gone; nothing while windows exist or none was made.
    std::optional<int> exit_code() const;
    // Makes create_window fail, for the fatal start-up path.
    void set_window_creation_fails(bool fails);

    // Open windows in the order they were made.
    std::vector<std::shared_ptr<Form>> windows() const;
    // The component of `form` that holds the input focus, empty for none.
    std::string focused(const Form& form) const;
    // The size of `form` each time it was shown, oldest first; create_window
    // shows a window once its creation handler has returned.
    std::vector<WindowSize> shown_sizes(const Form& form) const;

private:
    friend class HeadlessForm;

    // Throws ComponentError when called off the user-interface thread, so a
    // worker touching a component fails its test at once.
    void require_ui_thread() const;
    bool window_enabled(const HeadlessForm& form) const;
    void window_destroyed(const HeadlessForm& form);

    HeadlessForm& headless(Form& form) const;
    const HeadlessForm& headless(const Form& form) const;
    std::optional<std::function<void()>> take_task();
    // Waits until a task is queued or the deadline passes (forever without one).
    bool wait_for_task(std::optional<std::chrono::steady_clock::time_point> deadline);
    void fire_due_timers(std::int64_t until_ms);

    const std::thread::id m_ui_thread;
    std::vector<std::shared_ptr<HeadlessForm>> m_windows;
    std::vector<std::string> m_message_boxes;
    std::vector<std::string> m_opened_urls;
    std::optional<int> m_exit_code;
    std::int64_t m_now_ms = 0;
    bool m_creation_fails = false;
    bool m_delay_waits = false;

    mutable std::mutex m_queue_mutex;
    std::condition_variable m_queue_changed;
    std::deque<std::function<void()>> m_queue;
    bool m_loop_ended = false;
};

}  // namespace qorvex::runtime
