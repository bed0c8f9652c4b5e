#include "runtime/win32/win32_runtime.h"

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <algorithm>
#include <chrono>
#include <utility>

#include "runtime/form_validation.h"
#include "runtime/win32/win32_form.h"
#include "win32/wide_text.h"

namespace qorvex::runtime {

namespace {

constexpr const wchar_t* kTaskWindowClass = L"QorvexTasks";
constexpr UINT kRunTasksMessage = WM_APP + 100;
constexpr const wchar_t* kMessageBoxCaption = L"信息：";
constexpr const wchar_t* kPageOwnerTitle = L"Microsoft Internet Explorer";

void shell_open(HWND owner, const std::wstring& url) {
    ShellExecuteW(owner, L"open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace

Win32Runtime::Win32Runtime(OpenPage open_page)
    : m_ui_thread(std::this_thread::get_id()),
      m_open_page(open_page ? std::move(open_page) : OpenPage(&shell_open)),
      m_box_gate([this](std::function<void()> task) { post(std::move(task)); }) {
    // OLE once for the user-interface thread, for the shell and the picture decoder.
    m_ole_initialised = SUCCEEDED(OleInitialize(nullptr));
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                        ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);

    WNDCLASSEXW task_class{};
    task_class.cbSize = sizeof(task_class);
    task_class.lpfnWndProc = &Win32Runtime::task_window_proc;
    task_class.hInstance = GetModuleHandleW(nullptr);
    task_class.lpszClassName = kTaskWindowClass;
    RegisterClassExW(&task_class);
    m_task_window = CreateWindowExW(0, kTaskWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(m_task_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

Win32Runtime::~Win32Runtime() {
    // Windows still open go first, while the runtime they report to exists.
    for (const auto& window : windows()) {
        window->destroy();
    }
    {
        std::lock_guard lock(m_queue_mutex);
        m_loop_ended = true;
        m_queue.clear();
    }
    DestroyWindow(m_task_window);
    if (m_ole_initialised) {
        OleUninitialize();
    }
}

void Win32Runtime::require_ui_thread() const {
    if (std::this_thread::get_id() != m_ui_thread) {
        throw ComponentError("a window was used off the user-interface thread");
    }
}

std::shared_ptr<Form> Win32Runtime::create_window(const FormDescription& description,
                                                  EventTable events, WindowMode mode,
                                                  const WindowReady& ready) {
    require_ui_thread();
    if (find_form_fault(description, events)) {
        return nullptr;
    }
    auto form = std::make_shared<Win32Form>(*this, description, std::move(events), mode);
    if (!form->create()) {
        return nullptr;  // the half-made window goes with the form
    }
    m_windows.push_back(form);
    {
        std::lock_guard lock(m_queue_mutex);
        m_loop_ended = false;
    }
    apply_modal_state(nullptr);
    if (ready) {
        ready(form);
    }
    form->raise("", EventKind::CreationComplete);
    // Before the message loop runs nothing activates a window; the loop
    // activates the newest one when it starts (see run).
    form->show(m_loop_depth > 0);
    rethrow_handler_exception();
    return form;
}

void Win32Runtime::message_box(std::string_view text) {
    require_ui_thread();
    // Task-modal without an owner: every window of this thread is disabled
    // while the box is open.
    {
        const MessageBoxGate::OpenBox open(m_box_gate);
        MessageBoxW(nullptr, win32::to_wide(text).c_str(), kMessageBoxCaption,
                    MB_OK | MB_TASKMODAL);
    }
    // Closing, the box enabled every window it had disabled; a modal window
    // made while it was open (by a task run in its loop) must still block
    // the others.
    apply_modal_state(nullptr);
}

void Win32Runtime::after_message_boxes(std::function<void()> task) {
    require_ui_thread();
    m_box_gate.after_boxes(std::move(task));
}

HWND Win32Runtime::page_owner() {
    return FindWindowW(nullptr, kPageOwnerTitle);
}

void Win32Runtime::open_url(std::string_view url) {
    require_ui_thread();
    m_open_page(page_owner(), win32::to_wide(url));
}

void Win32Runtime::delay(int milliseconds) {
    require_ui_thread();
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(milliseconds, 0));
    while (true) {
        process_pending();
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return;
        }
        MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(left.count()), QS_ALLINPUT,
                                    MWMO_INPUTAVAILABLE);
    }
}

void Win32Runtime::post(std::function<void()> task) {
    {
        std::lock_guard lock(m_queue_mutex);
        if (m_loop_ended || !task) {
            return;
        }
        m_queue.push_back(std::move(task));
        if (m_wake_posted) {
            return;  // one message wakes the loop for every task queued before it runs
        }
        m_wake_posted = true;
    }
    if (!PostMessageW(m_task_window, kRunTasksMessage, 0, 0)) {
        std::lock_guard lock(m_queue_mutex);
        m_wake_posted = false;
    }
}

void Win32Runtime::run_posted_tasks() {
    while (true) {
        std::function<void()> task;
        {
            std::lock_guard lock(m_queue_mutex);
            if (m_queue.empty()) {
                m_wake_posted = false;
                return;
            }
            task = std::move(m_queue.front());
            m_queue.pop_front();
        }
        run_handler(task);
    }
}

LRESULT CALLBACK Win32Runtime::task_window_proc(HWND window, UINT message, WPARAM wparam,
                                                LPARAM lparam) {
    if (message == kRunTasksMessage) {
        auto* runtime = reinterpret_cast<Win32Runtime*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (runtime != nullptr) {
            runtime->run_posted_tasks();
        }
        return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

int Win32Runtime::run() {
    require_ui_thread();
    ++m_loop_depth;
    if (!m_windows.empty()) {
        // The program is ready for its first activation.
        m_windows.back()->activate();
    }
    MSG message{};
    while (!m_windows.empty()) {
        if (GetMessageW(&message, nullptr, 0, 0) <= 0) {
            break;  // WM_QUIT: someone outside the program asked the loop to end
        }
        dispatch(message);
    }
    --m_loop_depth;
    return 0;
}

void Win32Runtime::process_pending() {
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // Leave it for the outermost loop.
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        dispatch(message);
    }
}

void Win32Runtime::dispatch(MSG& message) {
    // Tab and arrow keys move between controls as in a dialog.
    HWND root = message.hwnd != nullptr ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
    const bool ours = std::any_of(m_windows.begin(), m_windows.end(),
                                  [root](const auto& window) { return window->handle() == root; });
    if (root == nullptr || !ours || !IsDialogMessageW(root, &message)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    rethrow_handler_exception();
}

void Win32Runtime::run_handler(const std::function<void()>& handler) {
    // An exception must not unwind through the system's message dispatch; it
    // is carried to the runtime call that dispatched the message instead.
    try {
        handler();
    } catch (...) {
        if (!m_handler_exception) {
            m_handler_exception = std::current_exception();
        }
    }
}

void Win32Runtime::rethrow_handler_exception() {
    if (m_handler_exception) {
        std::rethrow_exception(std::exchange(m_handler_exception, nullptr));
    }
}

bool Win32Runtime::loop_ended() const {
    std::lock_guard lock(m_queue_mutex);
    return m_loop_ended;
}

std::vector<std::shared_ptr<Win32Form>> Win32Runtime::windows() const {
    return m_windows;
}

Win32Form* Win32Runtime::own(Form& form) const {
    auto* window = dynamic_cast<Win32Form*>(&form);
    return window != nullptr && window->belongs_to(*this) ? window : nullptr;
}

void Win32Runtime::apply_modal_state(const Win32Form* leaving) {
    // While modal windows exist, only the one made last takes input.
    const Win32Form* modal = nullptr;
    for (auto it = m_windows.rbegin(); it != m_windows.rend(); ++it) {
        if (it->get() != leaving && (*it)->mode() == WindowMode::Modal) {
            modal = it->get();
            break;
        }
    }
    for (const auto& window : m_windows) {
        if (window.get() != leaving && window->handle() != nullptr) {
            EnableWindow(window->handle(), modal == nullptr || window.get() == modal);
        }
    }
}

void Win32Runtime::window_destroyed(const Win32Form& form) {
    const auto removed =
        std::erase_if(m_windows, [&form](const auto& window) { return window.get() == &form; });
    if (removed == 0) {
        return;
    }
    apply_modal_state(nullptr);
    if (!m_windows.empty()) {
        return;
    }
    std::deque<std::function<void()>> dropped;
    {
        std::lock_guard lock(m_queue_mutex);
        m_loop_ended = true;
        dropped.swap(m_queue);
    }
    // Wakes a loop that waits in GetMessage, so that it sees no window is left.
    PostMessageW(m_task_window, WM_NULL, 0, 0);
}

}  // namespace qorvex::runtime
