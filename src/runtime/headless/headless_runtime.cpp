#include "runtime/headless/headless_runtime.h"

#include <algorithm>
#include <utility>

#include "runtime/form_validation.h"
#include "runtime/headless/headless_form.h"

namespace qorvex::runtime {

namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(2);

}  // namespace

HeadlessRuntime::HeadlessRuntime() : m_ui_thread(std::this_thread::get_id()) {}

HeadlessRuntime::~HeadlessRuntime() = default;

void HeadlessRuntime::require_ui_thread() const {
    if (std::this_thread::get_id() != m_ui_thread) {
        throw ComponentError("a window was used off the user-interface thread");
    }
}

std::shared_ptr<Form> HeadlessRuntime::create_window(const FormDescription& description,
                                                     EventTable events, WindowMode mode,
                                                     const WindowReady& ready) {
    require_ui_thread();
    if (m_creation_fails || find_form_fault(description, events)) {
        return nullptr;
    }
    auto form = std::make_shared<HeadlessForm>(*this, description, std::move(events), mode);
    m_windows.push_back(form);
    m_exit_code.reset();
    {
        std::lock_guard lock(m_queue_mutex);
        m_loop_ended = false;
    }
    if (ready) {
        ready(form);
    }
    form->raise("", EventKind::CreationComplete);
    form->show();
    return form;
}

void HeadlessRuntime::message_box(std::string_view text) {
    require_ui_thread();
    m_message_boxes.emplace_back(text);
}

void HeadlessRuntime::after_message_boxes(std::function<void()> task) {
    require_ui_thread();
    if (task) {
        task();
    }
}

void HeadlessRuntime::open_url(std::string_view url) {
    require_ui_thread();
    m_opened_urls.emplace_back(url);
}

void HeadlessRuntime::delay(int milliseconds) {
    const auto real_deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(milliseconds, 0));
    advance_time(milliseconds);
    while (m_delay_waits && std::chrono::steady_clock::now() < real_deadline &&
           wait_for_task(real_deadline)) {
        process_posted();
    }
}

void HeadlessRuntime::post(std::function<void()> task) {
    {
        std::lock_guard lock(m_queue_mutex);
        if (m_loop_ended || !task) {
            return;
        }
        m_queue.push_back(std::move(task));
    }
    m_queue_changed.notify_all();
}

int HeadlessRuntime::run() {
    require_ui_thread();
    while (!m_windows.empty()) {
        process_posted();
        if (!m_windows.empty()) {
            wait_for_task(std::nullopt);
        }
    }
    return m_exit_code.value_or(0);
}

std::optional<std::function<void()>> HeadlessRuntime::take_task() {
    std::lock_guard lock(m_queue_mutex);
    if (m_queue.empty()) {
        return std::nullopt;
    }
    std::function<void()> task = std::move(m_queue.front());
    m_queue.pop_front();
    return task;
}

bool HeadlessRuntime::wait_for_task(std::optional<std::chrono::steady_clock::time_point> deadline) {
    std::unique_lock lock(m_queue_mutex);
    const auto queued = [this]() { return !m_queue.empty(); };
    if (!deadline) {
        m_queue_changed.wait(lock, queued);
        return true;
    }
    return m_queue_changed.wait_until(lock, *deadline, queued);
}

int HeadlessRuntime::process_posted() {
    require_ui_thread();
    int count = 0;
    while (auto task = take_task()) {
        (*task)();
        ++count;
    }
    return count;
}

bool HeadlessRuntime::wait_until(const std::function<bool()>& done,
                                 std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        process_posted();
        if (done()) {
            return true;
        }
        // The condition may hang on other threads' state rather than on a
        // posted task, so it is looked at again every few milliseconds.
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) {
            return done();
        }
        wait_for_task(std::min(deadline, now + kPollInterval));
    }
}

void HeadlessRuntime::set_delay_waits_real_time(bool waits) {
    m_delay_waits = waits;
}

void HeadlessRuntime::advance_time(int milliseconds) {
    require_ui_thread();
    const std::int64_t target = m_now_ms + std::max(milliseconds, 0);
    fire_due_timers(target);
    m_now_ms = std::max(m_now_ms, target);
}

void HeadlessRuntime::fire_due_timers(std::int64_t until_ms) {
    while (true) {
        process_posted();
        std::shared_ptr<HeadlessForm> owner;
        HeadlessForm::DueTimer first;
        for (const auto& window : m_windows) {
            auto due = window->next_due_timer();
            if (due && due->due_ms <= until_ms && (!owner || due->due_ms < first.due_ms)) {
                owner = window;
                first = *due;
            }
        }
        if (!owner) {
            return;
        }
        m_now_ms = std::max(m_now_ms, first.due_ms);
        owner->fire_timer(first.index);
    }
}

std::int64_t HeadlessRuntime::now_ms() const {
    return m_now_ms;
}

HeadlessForm& HeadlessRuntime::headless(Form& form) const {
    return const_cast<HeadlessForm&>(headless(std::as_const(form)));
}

const HeadlessForm& HeadlessRuntime::headless(const Form& form) const {
    require_ui_thread();
    const auto* window = dynamic_cast<const HeadlessForm*>(&form);
    if (window == nullptr || !window->belongs_to(*this)) {
        throw ComponentError("the window was not made by this headless runtime");
    }
    return *window;
}

bool HeadlessRuntime::click(Form& form, std::string_view name) {
    return headless(form).user_click(name);
}

bool HeadlessRuntime::choose_item(Form& form, std::string_view name, int index) {
    return headless(form).user_choose_item(name, index);
}

bool HeadlessRuntime::choose_row(Form& form, std::string_view name, int row) {
    return headless(form).user_choose_row(name, row);
}

bool HeadlessRuntime::focus(Form& form, std::string_view name) {
    return headless(form).user_focus(name);
}

bool HeadlessRuntime::press_label(Form& form, std::string_view name, int x, int y, int key_state) {
    return headless(form).user_press_label(name, x, y, key_state);
}

bool HeadlessRuntime::activate(Form& form) {
    return headless(form).user_activate();
}

bool HeadlessRuntime::close(Form& form) {
    return headless(form).user_close();
}

bool HeadlessRuntime::tick(Form& form, std::string_view timer_name) {
    return headless(form).tick(timer_name);
}

const std::vector<std::string>& HeadlessRuntime::message_boxes() const {
    return m_message_boxes;
}

const std::vector<std::string>& HeadlessRuntime::opened_urls() const {
    return m_opened_urls;
}

std::optional<int> HeadlessRuntime::exit_code() const {
    return m_exit_code;
}

void HeadlessRuntime::set_window_creation_fails(bool fails) {
    m_creation_fails = fails;
}

std::vector<std::shared_ptr<Form>> HeadlessRuntime::windows() const {
    return {m_windows.begin(), m_windows.end()};
}

std::string HeadlessRuntime::focused(const Form& form) const {
    return headless(form).focused();
}

std::vector<WindowSize> HeadlessRuntime::shown_sizes(const Form& form) const {
    return headless(form).shown_sizes();
}

bool HeadlessRuntime::window_enabled(const HeadlessForm& form) const {
    // While modal windows exist, only the one made last takes input.
    for (auto it = m_windows.rbegin(); it != m_windows.rend(); ++it) {
        if ((*it)->mode() == WindowMode::Modal) {
            return it->get() == &form;
        }
    }
    return true;
}

void HeadlessRuntime::window_destroyed(const HeadlessForm& form) {
    std::erase_if(m_windows, [&form](const auto& window) { return window.get() == &form; });
    if (!m_windows.empty()) {
        return;
    }
    m_exit_code = 0;
    std::deque<std::function<void()>> dropped;
    {
        std::lock_guard lock(m_queue_mutex);
        m_loop_ended = true;
        dropped.swap(m_queue);
    }
}

}  // namespace qorvex::runtime
