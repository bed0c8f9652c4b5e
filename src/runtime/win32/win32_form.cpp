#include "runtime/win32/win32_form.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>

#include "runtime/win32/control_styles.h"
#include "runtime/win32/line_view.h"
#include "runtime/win32/win32_controls.h"
#include "runtime/win32/win32_runtime.h"
#include "win32/wide_text.h"

namespace qorvex::runtime {

namespace {

constexpr const wchar_t* kFormClass = L"QorvexForm";
// Control identifiers start above the dialog identifiers (IDOK, IDCANCEL, ...).
constexpr int kFirstControlId = 100;

bool register_form_class(WNDPROC procedure) {
    WNDCLASSEXW form_class{};
    form_class.cbSize = sizeof(form_class);
    if (GetClassInfoExW(GetModuleHandleW(nullptr), kFormClass, &form_class)) {
        return true;
    }
    form_class.lpfnWndProc = procedure;
    form_class.hInstance = GetModuleHandleW(nullptr);
    form_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    form_class.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
    form_class.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    form_class.lpszClassName = kFormClass;
    return RegisterClassExW(&form_class) != 0;
}

POINT window_origin(const FormDescription& description) {
    if (!description.centred) {
        return {CW_USEDEFAULT, CW_USEDEFAULT};
    }
    RECT work{};
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0)) {
        work = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    }
    return {work.left + (work.right - work.left - description.width) / 2,
            work.top + (work.bottom - work.top - description.height) / 2};
}

}  // namespace

Win32Form::Win32Form(Win32Runtime& runtime, FormDescription description, EventTable events,
                     WindowMode mode)
    : m_runtime(runtime),
      m_description(std::move(description)),
      m_events(std::move(events)),
      m_mode(mode) {
    m_components.reserve(m_description.components.size());
    for (const ComponentDescription& source : m_description.components) {
        Component& state = m_components.emplace_back();
        state.description = &source;
        state.id = kFirstControlId + static_cast<int>(m_components.size()) - 1;
        if (source.type == ComponentType::EditBox && source.edit_style != EditStyle::SingleLine) {
            state.multi_line = true;
        }
        m_index.emplace(source.name, m_components.size() - 1);
    }
}

Win32Form::~Win32Form() {
    if (m_window != nullptr) {
        m_destroying = true;
        m_in_destructor = true;
        DestroyWindow(m_window);
    }
}

bool Win32Form::create() {
    if (!register_form_class(&Win32Form::window_proc) || !register_line_view_class()) {
        return false;
    }
    const ControlStyle frame = window_style(m_description.style);
    const POINT origin = window_origin(m_description);
    const std::wstring caption = win32::to_wide(m_description.caption);
    // WM_NCCREATE stores `this` with the window, so messages reach the form from the start.
    const SIZE size =
        native_outer_size(m_description.style, m_description.width, m_description.height);
    m_window = CreateWindowExW(frame.ex_style, kFormClass, caption.c_str(), frame.style, origin.x,
                               origin.y, size.cx, size.cy, nullptr, nullptr,
                               GetModuleHandleW(nullptr), this);
    if (m_window == nullptr) {
        return false;
    }
    // Windows cut the size down to the screen's before the form could answer
    // WM_GETMINMAXINFO; now it answers, the window takes its designed size.
    SetWindowPos(m_window, nullptr, 0, 0, size.cx, size.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(m_window, WM_SETFONT, reinterpret_cast<WPARAM>(m_fonts.font({})), FALSE);
    // A component is made once its parent exists, whatever the order of the description.
    std::vector<bool> made(m_components.size(), false);
    for (bool progress = true; progress;) {
        progress = false;
        for (std::size_t i = 0; i < m_components.size(); ++i) {
            const std::string& parent = m_components[i].description->parent;
            const Component* parent_component = parent.empty() ? nullptr : find(parent);
            if (made[i] || (parent_component != nullptr && parent_component->window == nullptr)) {
                continue;
            }
            if (!create_control(m_components[i])) {
                return false;
            }
            made[i] = true;
            progress = true;
        }
    }
    return std::all_of(made.begin(), made.end(), [](bool one) { return one; });
}

void Win32Form::show(bool activate_it) {
    if (m_window == nullptr) {
        return;
    }
    ShowWindow(m_window, activate_it ? SW_SHOWNORMAL : SW_SHOWNA);
    UpdateWindow(m_window);
    if (activate_it) {
        activate();
    }
}

void Win32Form::activate() {
    // A handler of the activation may open a modal window, which must stay
    // the active one: the window is activated once, by whichever call works.
    if (m_window != nullptr && !SetForegroundWindow(m_window)) {
        SetActiveWindow(m_window);
    }
}

bool Win32Form::create_control(Component& state) {
    const ComponentDescription& source = *state.description;
    if (source.type == ComponentType::Timer) {
        state.period_ms = std::max(source.timer_period_ms, 0);
        if (state.period_ms > 0) {
            SetTimer(m_window, static_cast<UINT_PTR>(state.id), static_cast<UINT>(state.period_ms),
                     nullptr);
        }
        return true;
    }
    ControlStyle style = control_style(source);
    if (source.type != ComponentType::RadioButton || !follows_radio_button(source)) {
        // Each run of radio buttons is one group for the arrow keys.
        style.style |= WS_GROUP;
    }
    const Component* parent = source.parent.empty() ? nullptr : find(source.parent);
    HWND parent_window = parent != nullptr ? parent->window : m_window;
    std::wstring initial;
    if (type_has(source.type, Property::Text) && !state.multi_line) {
        initial = win32::to_wide(source.text);
    }
    const Rect& place = source.geometry;
    const int height = source.type == ComponentType::ComboBox
                           ? std::max(place.height, kMinimumComboBoxHeight)
                           : place.height;
    state.window = CreateWindowExW(style.ex_style, style.window_class, initial.c_str(), style.style,
                                   place.left, place.top, place.width, height, parent_window,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(state.id)),
                                   GetModuleHandleW(nullptr), nullptr);
    if (state.window == nullptr) {
        return false;
    }
    SendMessageW(state.window, WM_SETFONT, reinterpret_cast<WPARAM>(m_fonts.font(source.font)),
                 FALSE);
    SetWindowSubclass(state.window, &Win32Form::control_proc, static_cast<UINT_PTR>(state.id),
                      reinterpret_cast<DWORD_PTR>(this));
    switch (source.type) {
        case ComponentType::EditBox:
            if (state.multi_line) {
                line_view_set_text(state.window, source.text);
            } else {
                // Lift the 32K default limit of the edit control.
                SendMessageW(state.window, EM_SETLIMITTEXT, 0, 0);
            }
            break;
        case ComponentType::CheckBox:
        case ComponentType::RadioButton:
            SendMessageW(state.window, BM_SETCHECK, source.checked ? BST_CHECKED : BST_UNCHECKED,
                         0);
            break;
        case ComponentType::ComboBox:
            for (const std::string& item : source.items) {
                combo_add(state.window, item);
            }
            SendMessageW(state.window, CB_SETCURSEL, static_cast<WPARAM>(source.selected_index), 0);
            break;
        case ComponentType::ListView:
            fill_list_view(state.window, source);
            state.known_row = list_view_current_row(state.window);
            break;
        case ComponentType::PictureButton:
            state.pictures = std::make_unique<PictureSet>(source.pictures);
            break;
        default:
            break;
    }
    return true;
}

bool Win32Form::follows_radio_button(const ComponentDescription& radio) const {
    const ComponentDescription* previous = nullptr;
    for (const Component& other : m_components) {
        if (other.description == &radio) {
            break;
        }
        if (other.description->parent == radio.parent &&
            other.description->type != ComponentType::Timer) {
            previous = other.description;
        }
    }
    return previous != nullptr && previous->type == ComponentType::RadioButton;
}

bool Win32Form::live() const {
    m_runtime.require_ui_thread();
    return m_window != nullptr;
}

const Win32Form::Component* Win32Form::find(std::string_view name) const {
    auto found = m_index.find(name);
    return found == m_index.end() ? nullptr : &m_components[found->second];
}

const Win32Form::Component* Win32Form::find(HWND control) const {
    for (const Component& state : m_components) {
        if (state.window == control && control != nullptr) {
            return &state;
        }
    }
    return nullptr;
}

Win32Form::Component* Win32Form::find_by_id(int id) {
    const auto index = static_cast<std::size_t>(id - kFirstControlId);
    return id >= kFirstControlId && index < m_components.size() ? &m_components[index] : nullptr;
}

const Win32Form::Component& Win32Form::component(std::string_view name, Property property) const {
    const Component* found = find(name);
    if (found == nullptr) {
        throw ComponentError(unknown_component_message(m_description.name, name));
    }
    require_property(name, found->description->type, property);
    return *found;
}

Win32Form::Component& Win32Form::component(std::string_view name, Property property) {
    return const_cast<Component&>(std::as_const(*this).component(name, property));
}

HWND Win32Form::control(std::string_view name) const {
    const Component* found = find(name);
    return found != nullptr ? found->window : nullptr;
}

int Win32Form::control_id(const FormDescription& description, std::string_view name) {
    for (std::size_t i = 0; i < description.components.size(); ++i) {
        if (description.components[i].name == name) {
            return kFirstControlId + static_cast<int>(i);
        }
    }
    return -1;
}

UINT_PTR Win32Form::timer_id(std::string_view name) const {
    const Component* found = find(name);
    return found != nullptr && found->description->type == ComponentType::Timer
               ? static_cast<UINT_PTR>(found->id)
               : 0;
}

bool Win32Form::exists() const {
    return live();
}

const FormDescription& Win32Form::description() const {
    return m_description;
}

bool Win32Form::has_component(std::string_view name) const {
    return live() && find(name) != nullptr;
}

}  // namespace qorvex::runtime
