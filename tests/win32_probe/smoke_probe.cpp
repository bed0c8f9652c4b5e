// Reads the running Windows program's main window from outside, for the Wine
// smoke test (scripts/wine-smoke):
//
//   win32_smoke_probe center NAME   screen position of a component's centre
//   win32_smoke_probe lines NAME    number of lines in an edit box
//   win32_smoke_probe text NAME     text of a component
//   win32_smoke_probe answer        milliseconds the main window took to
//                                   answer a message (at most 10000)
//   win32_smoke_probe close         asks the main window to close, as its
//                                   title bar's close button does
//
// Components are found by the control identifiers the Win32 runtime gives
// them, from the main window's description. Exit code 1 when the window or
// the component is not there.

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "app/main_window_form.h"
#include "runtime/win32/win32_form.h"
#include "win32/wide_text.h"

namespace {

HWND main_window() {
    return FindWindowW(L"QorvexForm", L"Qorvex");
}

HWND component(HWND window, const std::string& name) {
    const int id = qorvex::runtime::Win32Form::control_id(qorvex::app::main_window_form(), name);
    if (window == nullptr || id < 0) {
        return nullptr;
    }
    struct Search {
        int id;
        HWND found;
    } search{id, nullptr};
    // Controls inside a group box are its children, not the window's.
    EnumChildWindows(
        window,
        [](HWND child, LPARAM data) -> BOOL {
            auto* wanted = reinterpret_cast<Search*>(data);
            if (GetDlgCtrlID(child) == wanted->id) {
                wanted->found = child;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string text_of(HWND control) {
    // WM_GETTEXT crosses processes; GetWindowText of another process's edit box does not.
    const auto length = SendMessageW(control, WM_GETTEXTLENGTH, 0, 0);
    std::wstring wide(static_cast<std::size_t>(length) + 1, L'\0');
    const auto copied = SendMessageW(control, WM_GETTEXT, static_cast<WPARAM>(wide.size()),
                                     reinterpret_cast<LPARAM>(wide.data()));
    wide.resize(static_cast<std::size_t>(copied));
    return qorvex::win32::to_utf8(wide);
}

}  // namespace

// How long the window's thread takes to come round to a message sent to it.
int print_answer_time(HWND window) {
    constexpr UINT kLongestWaitMs = 10000;
    if (window == nullptr) {
        return 1;
    }
    const auto sent = std::chrono::steady_clock::now();
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, kLongestWaitMs, &result);
    const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - sent);
    std::printf("%lld\n", static_cast<long long>(waited.count()));
    return 0;
}

int wmain(int argc, wchar_t** argv) {
    if (argc == 2 && std::wstring(argv[1]) == L"answer") {
        return print_answer_time(main_window());
    }
    if (argc == 2 && std::wstring(argv[1]) == L"close") {
        return PostMessageW(main_window(), WM_CLOSE, 0, 0) != FALSE ? 0 : 1;
    }
    if (argc != 3) {
        std::fputs("usage: win32_smoke_probe center|lines|text NAME, answer or close\n", stderr);
        return 2;
    }
    const std::wstring command = argv[1];
    HWND control = component(main_window(), qorvex::win32::to_utf8(argv[2]));
    if (control == nullptr) {
        return 1;
    }
    if (command == L"center") {
        RECT area{};
        GetWindowRect(control, &area);
        std::printf("%ld %ld\n", (area.left + area.right) / 2, (area.top + area.bottom) / 2);
    } else if (command == L"lines") {
        const std::string text = text_of(control);
        std::size_t lines = 0;
        for (std::size_t at = text.find("\r\n"); at != std::string::npos;
             at = text.find("\r\n", at + 2)) {
            ++lines;
        }
        std::printf("%zu\n", lines);
    } else if (command == L"text") {
        std::printf("%s\n", text_of(control).c_str());
    } else {
        return 2;
    }
    return 0;
}
