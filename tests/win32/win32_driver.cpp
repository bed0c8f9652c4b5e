#include "win32/win32_driver.h"

#include <algorithm>
#include <array>

#include "runtime/form_validation.h"
#include "runtime/win32/win32_controls.h"
#include "win32/wide_text.h"

namespace qorvex::test {

namespace {

using runtime::ComponentError;
using runtime::ComponentType;
using runtime::Property;

// The hook procedure has no context argument; one driver per thread records.
thread_local std::vector<ShownMessageBox>* t_message_boxes = nullptr;

// The text of a message box: its static control with a text (the icon's has none).
std::string message_box_text(HWND box) {
    std::string text;
    EnumChildWindows(
        box,
        [](HWND child, LPARAM data) -> BOOL {
            wchar_t child_class[16] = {};
            GetClassNameW(child, child_class, 16);
            auto* found = reinterpret_cast<std::string*>(data);
            if (_wcsicmp(child_class, L"Static") == 0 && found->empty()) {
                *found = runtime::window_text(child);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&text));
    return text;
}

// True when no top-level window of this thread but the box itself takes input.
bool all_thread_windows_disabled(HWND box) {
    struct Search {
        HWND box;
        bool disabled;
    } search{box, true};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM data) -> BOOL {
            auto* state = reinterpret_cast<Search*>(data);
            if (window != state->box && IsWindowVisible(window) && IsWindowEnabled(window)) {
                state->disabled = false;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.disabled;
}

// Runs inside the message box's own loop, once the box shows its text.
void CALLBACK read_message_box(HWND box, UINT, UINT_PTR timer, DWORD) {
    KillTimer(box, timer);
    if (t_message_boxes != nullptr) {
        ShownMessageBox shown;
        shown.caption = runtime::window_text(box);
        shown.text = message_box_text(box);
        shown.task_modal = all_thread_windows_disabled(box);
        t_message_boxes->push_back(std::move(shown));
    }
    // The user has read the box and presses OK.
    PostMessageW(box, WM_COMMAND, IDOK, 0);
}

LRESULT CALLBACK message_box_hook(int code, WPARAM wparam, LPARAM lparam) {
    if (code == HCBT_ACTIVATE) {
        auto* box = reinterpret_cast<HWND>(wparam);
        wchar_t window_class[16] = {};
        GetClassNameW(box, window_class, 16);
        if (std::wstring_view(window_class) == L"#32770") {
            SetTimer(box, 1, 1, &read_message_box);
        }
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

std::vector<ShownMessageBox>& recorded_boxes() {
    static thread_local std::vector<ShownMessageBox> boxes;
    return boxes;
}

struct ShownWindow {
    HWND window;
    RECT client;
};

std::vector<ShownWindow>& shown_windows() {
    static thread_local std::vector<ShownWindow> shown;
    return shown;
}

// WM_SHOWWINDOW reaches a window as ShowWindow is about to put it on screen.
LRESULT CALLBACK show_hook(int code, WPARAM wparam, LPARAM lparam) {
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lparam);
    if (code == HC_ACTION && call->message == WM_SHOWWINDOW && call->wParam != FALSE &&
        GetParent(call->hwnd) == nullptr) {
        ShownWindow shown{call->hwnd, {}};
        GetClientRect(call->hwnd, &shown.client);
        shown_windows().push_back(shown);
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

bool reachable(HWND control) {
    // Hidden or disabled, itself or through a group box or its window
    // (a modal window disables the others): out of the user's reach.
    if (control == nullptr || !IsWindowVisible(control)) {
        return false;
    }
    for (HWND window = control; window != nullptr && window != GetDesktopWindow();
         window = GetAncestor(window, GA_PARENT)) {
        if (!IsWindowEnabled(window)) {
            return false;
        }
    }
    return true;
}

void send_key(HWND control, WPARAM key) {
    SendMessageW(control, WM_KEYDOWN, key, 1);
    SendMessageW(control, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001));
}

}  // namespace

Win32Driver::Win32Driver()
    : m_runtime(
          std::make_unique<runtime::Win32Runtime>([this](HWND owner, const std::wstring& url) {
              m_pages.push_back({owner, win32::to_utf8(url)});
          })) {
    recorded_boxes().clear();
    t_message_boxes = &recorded_boxes();
    m_hook = SetWindowsHookExW(WH_CBT, &message_box_hook, nullptr, GetCurrentThreadId());
    shown_windows().clear();
    m_show_hook = SetWindowsHookExW(WH_CALLWNDPROC, &show_hook, nullptr, GetCurrentThreadId());
}

Win32Driver::~Win32Driver() {
    m_runtime.reset();
    if (m_hook != nullptr) {
        UnhookWindowsHookEx(m_hook);
    }
    if (m_show_hook != nullptr) {
        UnhookWindowsHookEx(m_show_hook);
    }
    t_message_boxes = nullptr;
}

runtime::Runtime& Win32Driver::runtime() {
    return *m_runtime;
}

runtime::Win32Form& Win32Driver::own(runtime::Form& form) const {
    runtime::Win32Form* window = m_runtime->own(form);
    if (window == nullptr) {
        throw ComponentError("the window was not made by this Win32 runtime");
    }
    return *window;
}

HWND Win32Driver::reachable_control(runtime::Win32Form& form, std::string_view name,
                                    Property property) const {
    const runtime::ComponentDescription* source = runtime::find_component(form.description(), name);
    if (source == nullptr) {
        throw ComponentError(runtime::unknown_component_message(form.description().name, name));
    }
    runtime::require_property(name, source->type, property);
    HWND control = form.exists() ? form.control(name) : nullptr;
    return reachable(control) ? control : nullptr;
}

bool Win32Driver::click(runtime::Form& form, std::string_view name) {
    runtime::Win32Form& window = own(form);
    const runtime::ComponentDescription* source =
        runtime::find_component(window.description(), name);
    if (source != nullptr && source->type != ComponentType::Button &&
        source->type != ComponentType::PictureButton && source->type != ComponentType::CheckBox &&
        source->type != ComponentType::RadioButton) {
        throw ComponentError("component '" + std::string(name) + "' is a " +
                             std::string(runtime::type_label(source->type)) +
                             " and cannot be clicked");
    }
    if (!window.exists() || reachable_control(window, name, Property::Focus) == nullptr) {
        return false;
    }
    // The button takes the focus and the user presses the space key.
    window.set_focus(name);
    HWND control = reachable_control(window, name, Property::Focus);
    if (control == nullptr) {
        return false;
    }
    send_key(control, VK_SPACE);
    m_runtime->rethrow_handler_exception();
    return true;
}

bool Win32Driver::choose_item(runtime::Form& form, std::string_view name, int index) {
    runtime::Win32Form& window = own(form);
    if (!window.exists()) {
        return false;
    }
    HWND combo = reachable_control(window, name, Property::EditItems);
    const auto count = static_cast<int>(window.items(name).size());
    if (index < 0 || index >= count) {
        throw ComponentError("combo box '" + std::string(name) + "' has no item " +
                             std::to_string(index));
    }
    if (combo == nullptr) {
        return false;
    }
    // Opening the drop-down list gives the combo box the focus first.
    window.set_focus(name);
    if (reachable_control(window, name, Property::EditItems) != combo) {
        return false;
    }
    SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
    COMBOBOXINFO parts{};
    parts.cbSize = sizeof(parts);
    GetComboBoxInfo(combo, &parts);
    // The pointer rests on the item, and the return key commits the choice.
    SendMessageW(parts.hwndList, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(combo, WM_KEYDOWN, VK_RETURN, 1);
    m_runtime->rethrow_handler_exception();
    return true;
}

bool Win32Driver::focus(runtime::Form& form, std::string_view name) {
    runtime::Win32Form& window = own(form);
    if (!window.exists() || reachable_control(window, name, Property::Focus) == nullptr) {
        return false;
    }
    window.set_focus(name);
    m_runtime->rethrow_handler_exception();
    return true;
}

bool Win32Driver::choose_row(runtime::Form& form, std::string_view name, int row) {
    runtime::Win32Form& window = own(form);
    const runtime::ComponentDescription* source =
        runtime::find_component(window.description(), name);
    if (source != nullptr && source->type != ComponentType::ListView) {
        throw ComponentError("component '" + std::string(name) + "' is not a list view");
    }
    if (!window.exists()) {
        return false;
    }
    HWND list = reachable_control(window, name, Property::Items);
    if (row < 0 || row >= static_cast<int>(window.items(name).size())) {
        throw ComponentError("list view '" + std::string(name) + "' has no row " +
                             std::to_string(row));
    }
    if (list == nullptr) {
        return false;
    }
    // The list takes the focus and the arrow keys walk to the row.
    window.set_focus(name);
    int current = runtime::list_view_current_row(list);
    if (current < 0) {
        send_key(list, VK_HOME);
        current = runtime::list_view_current_row(list);
    }
    while (current != row && current >= 0) {
        send_key(list, current < row ? VK_DOWN : VK_UP);
        const int next = runtime::list_view_current_row(list);
        current = next == current ? -1 : next;
    }
    m_runtime->rethrow_handler_exception();
    return current == row;
}

bool Win32Driver::press_label(runtime::Form& form, std::string_view name, int x, int y,
                              int key_state) {
    runtime::Win32Form& window = own(form);
    const runtime::ComponentDescription* source =
        runtime::find_component(window.description(), name);
    if (source != nullptr && source->type != ComponentType::TransparentLabel) {
        throw ComponentError("component '" + std::string(name) +
                             "' is not a transparent label and raises no button press");
    }
    if (!window.exists()) {
        return false;
    }
    HWND label = reachable_control(window, name, Property::Text);
    RECT client{};
    if (label == nullptr || !GetClientRect(label, &client) || x < 0 || y < 0 || x >= client.right ||
        y >= client.bottom) {
        return false;
    }
    WPARAM keys = MK_LBUTTON;
    keys |= (key_state & runtime::kKeyCtrl) != 0 ? MK_CONTROL : 0;
    keys |= (key_state & runtime::kKeyShift) != 0 ? MK_SHIFT : 0;
    // The Alt key is not part of a mouse message; it is read from the keyboard state.
    BYTE keyboard[256] = {};
    GetKeyboardState(keyboard);
    const BYTE alt = keyboard[VK_MENU];
    keyboard[VK_MENU] = static_cast<BYTE>((key_state & runtime::kKeyAlt) != 0 ? 0x80 : 0);
    SetKeyboardState(keyboard);
    const LPARAM position = MAKELPARAM(x, y);
    SendMessageW(label, WM_LBUTTONDOWN, keys, position);
    keyboard[VK_MENU] = alt;
    SetKeyboardState(keyboard);
    if (IsWindow(label)) {
        SendMessageW(label, WM_LBUTTONUP, keys & ~static_cast<WPARAM>(MK_LBUTTON), position);
    }
    m_runtime->rethrow_handler_exception();
    return true;
}

bool Win32Driver::activate(runtime::Form& form) {
    runtime::Win32Form& window = own(form);
    if (!window.exists() || !window.window_enabled()) {
        return false;
    }
    window.activate();
    m_runtime->rethrow_handler_exception();
    return true;
}

bool Win32Driver::close(runtime::Form& form) {
    runtime::Win32Form& window = own(form);
    // Only a window with a system menu has a close button.
    if (!window.exists() || !window.window_enabled() ||
        (GetWindowLongPtrW(window.handle(), GWL_STYLE) & WS_SYSMENU) == 0) {
        return false;
    }
    SendMessageW(window.handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    m_runtime->rethrow_handler_exception();
    return !window.exists();
}

bool Win32Driver::tick(runtime::Form& form, std::string_view timer_name) {
    runtime::Win32Form& window = own(form);
    if (!window.exists() || window.timer_period(timer_name) <= 0) {
        return false;
    }
    SendMessageW(window.handle(), WM_TIMER, window.timer_id(timer_name), 0);
    m_runtime->rethrow_handler_exception();
    return true;
}

void Win32Driver::process_events() {
    m_runtime->process_pending();
}

bool Win32Driver::wait_until(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        m_runtime->process_pending();
        if (done()) {
            return true;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return false;
        }
        MsgWaitForMultipleObjectsEx(0, nullptr,
                                    static_cast<DWORD>(std::min<long long>(left.count(), 50)),
                                    QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

std::optional<int> Win32Driver::exit_code() const {
    return m_runtime->loop_ended() ? std::optional<int>(0) : std::nullopt;
}

std::vector<runtime::WindowSize> Win32Driver::shown_sizes(runtime::Form& form) {
    const runtime::Win32Form& window = own(form);
    std::vector<runtime::WindowSize> sizes;
    for (const ShownWindow& shown : shown_windows()) {
        if (shown.window == window.handle()) {
            sizes.push_back(runtime::designed_outer_size(window.description().style,
                                                         shown.client.right - shown.client.left,
                                                         shown.client.bottom - shown.client.top));
        }
    }
    return sizes;
}

const std::vector<ShownMessageBox>& Win32Driver::shown_message_boxes() const {
    return recorded_boxes();
}

std::optional<std::vector<std::string>> Win32Driver::message_boxes() const {
    std::vector<std::string> texts;
    for (const ShownMessageBox& shown : recorded_boxes()) {
        texts.push_back(shown.text);
    }
    return texts;
}

std::optional<std::vector<std::string>> Win32Driver::opened_urls() const {
    std::vector<std::string> urls;
    for (const OpenedPage& page : m_pages) {
        urls.push_back(page.url);
    }
    return urls;
}

}  // namespace qorvex::test

namespace qorvex::test {

namespace {

// The menu the driver reads and chooses from while it is open.
struct MenuVisit {
    std::string label;  // the entry to choose; empty to close the menu
    std::vector<EditBoxInput::MenuEntry> entries;
    bool chosen = false;
    bool seen = false;
};

thread_local MenuVisit* t_menu_visit = nullptr;

std::string menu_label(HMENU menu, int position) {
    wchar_t label[64] = {};
    GetMenuStringW(menu, static_cast<UINT>(position), label, 64, MF_BYPOSITION);
    return win32::to_utf8(label);
}

// An open menu sends its owner WM_ENTERIDLE once it waits for the user.
LRESULT CALLBACK menu_hook(int code, WPARAM wparam, LPARAM lparam) {
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lparam);
    if (code == HC_ACTION && call->message == WM_ENTERIDLE && call->wParam == MSGF_MENU &&
        t_menu_visit != nullptr && !t_menu_visit->seen) {
        MenuVisit& visit = *t_menu_visit;
        visit.seen = true;
        auto* menu_window = reinterpret_cast<HWND>(call->lParam);
        auto* menu = reinterpret_cast<HMENU>(SendMessageW(menu_window, MN_GETHMENU, 0, 0));
        UINT chosen_id = 0;
        for (int position = 0; position < GetMenuItemCount(menu); ++position) {
            const UINT state = GetMenuState(menu, static_cast<UINT>(position), MF_BYPOSITION);
            if ((state & MF_SEPARATOR) != 0) {
                continue;
            }
            const bool enabled = (state & (MF_GRAYED | MF_DISABLED)) == 0;
            visit.entries.push_back({menu_label(menu, position), enabled});
            if (enabled && visit.entries.back().label == visit.label) {
                chosen_id = GetMenuItemID(menu, position);
            }
        }
        // The user picks the entry: the menu closes and its owner gets the
        // command, as TrackPopupMenu sends it.
        EndMenu();
        if (chosen_id != 0) {
            PostMessageW(call->hwnd, WM_COMMAND, chosen_id, 0);
            visit.chosen = true;
        }
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

// The caret's place before the character, a little below the line's top: a
// click there falls nearer that place than any other, even beside a narrow space.
LPARAM point_of(HWND box, std::size_t offset) {
    const auto place = static_cast<DWORD>(SendMessageW(box, EM_POSFROMCHAR, offset, 0));
    return MAKELPARAM(static_cast<short>(LOWORD(place)), static_cast<short>(HIWORD(place)) + 2);
}

// Holds the modifier keys down in the thread's keyboard state for a scope.
class HeldKeys {
public:
    explicit HeldKeys(int key_state) {
        GetKeyboardState(m_saved.data());
        std::array<BYTE, 256> keys = m_saved;
        keys[VK_CONTROL] = (key_state & runtime::kKeyCtrl) != 0 ? kDown : BYTE{0};
        keys[VK_SHIFT] = (key_state & runtime::kKeyShift) != 0 ? kDown : BYTE{0};
        SetKeyboardState(keys.data());
    }
    ~HeldKeys() { SetKeyboardState(m_saved.data()); }
    HeldKeys(const HeldKeys&) = delete;
    HeldKeys& operator=(const HeldKeys&) = delete;

private:
    static constexpr BYTE kDown = 0x80;
    std::array<BYTE, 256> m_saved{};
};

}  // namespace

HWND Win32Driver::focused_box(runtime::Form& form, std::string_view name) {
    runtime::Win32Form& window = own(form);
    HWND box = reachable_control(window, name, Property::AppendText);
    if (box == nullptr) {
        throw ComponentError("edit box '" + std::string(name) + "' is out of the user's reach");
    }
    if (GetFocus() != box) {
        window.set_focus(name);
    }
    return box;
}

void Win32Driver::click(runtime::Form& form, std::string_view name, std::size_t offset,
                        bool shift) {
    HWND box = focused_box(form, name);
    const WPARAM keys = shift ? MK_SHIFT : 0;
    SendMessageW(box, WM_LBUTTONDOWN, keys | MK_LBUTTON, point_of(box, offset));
    SendMessageW(box, WM_LBUTTONUP, keys, point_of(box, offset));
}

void Win32Driver::double_click(runtime::Form& form, std::string_view name, std::size_t offset) {
    HWND box = focused_box(form, name);
    const LPARAM point = point_of(box, offset);
    SendMessageW(box, WM_LBUTTONDOWN, MK_LBUTTON, point);
    SendMessageW(box, WM_LBUTTONUP, 0, point);
    SendMessageW(box, WM_LBUTTONDBLCLK, MK_LBUTTON, point);
    SendMessageW(box, WM_LBUTTONUP, 0, point);
}

void Win32Driver::press(runtime::Form& form, std::string_view name, Key key, int key_state) {
    HWND box = focused_box(form, name);
    constexpr std::pair<Key, WPARAM> kKeys[] = {
        {Key::Left, VK_LEFT}, {Key::Right, VK_RIGHT}, {Key::Home, VK_HOME}, {Key::End, VK_END}};
    const HeldKeys held(key_state);
    for (const auto& [driver_key, virtual_key] : kKeys) {
        if (driver_key == key) {
            send_key(box, virtual_key);
        }
    }
}

void Win32Driver::type(runtime::Form& form, std::string_view name, std::string_view text) {
    HWND box = focused_box(form, name);
    for (const wchar_t c : win32::to_wide(text)) {
        SendMessageW(box, WM_CHAR, c, 1);
    }
}

std::vector<EditBoxInput::MenuEntry> Win32Driver::open_menu(HWND box, std::string_view label,
                                                            bool& chosen) {
    MenuVisit visit;
    visit.label = label;
    t_menu_visit = &visit;
    HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, &menu_hook, nullptr, GetCurrentThreadId());
    // A right click in the middle of the box.
    RECT client{};
    GetClientRect(box, &client);
    POINT at{client.right / 2, client.bottom / 2};
    ClientToScreen(box, &at);
    SendMessageW(box, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(box), MAKELPARAM(at.x, at.y));
    UnhookWindowsHookEx(hook);
    t_menu_visit = nullptr;
    process_events();
    chosen = visit.chosen;
    return visit.entries;
}

std::vector<EditBoxInput::MenuEntry> Win32Driver::menu(runtime::Form& form, std::string_view name) {
    bool chosen = false;
    return open_menu(focused_box(form, name), {}, chosen);
}

bool Win32Driver::choose(runtime::Form& form, std::string_view name, std::string_view label) {
    bool chosen = false;
    open_menu(focused_box(form, name), label, chosen);
    return chosen;
}

EditBoxInput::Selection Win32Driver::selection(runtime::Form& form, std::string_view name) {
    HWND box = own(form).control(name);
    DWORD start = 0;
    DWORD end = 0;
    SendMessageW(box, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return {start, end};
}

bool Win32Driver::in_sight(runtime::Form& form, std::string_view name, std::size_t offset) {
    HWND box = own(form).control(name);
    const auto place = static_cast<DWORD>(SendMessageW(box, EM_POSFROMCHAR, offset, 0));
    const int x = static_cast<short>(LOWORD(place));
    const int y = static_cast<short>(HIWORD(place));
    RECT client{};
    GetClientRect(box, &client);
    return x >= 0 && x < client.right && y >= 0 && y < client.bottom;
}

}  // namespace qorvex::test
