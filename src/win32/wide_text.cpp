#include "win32/wide_text.h"

#include <windows.h>

#include <climits>

namespace qorvex::win32 {

namespace {

// The Win32 conversion functions count in int; longer texts are converted in
// the part that fits, which no text of this program comes near.
int clamp_length(std::size_t length) {
    return length > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(length);
}

std::wstring to_wide_from(std::string_view bytes, unsigned code_page) {
    if (bytes.empty()) {
        return {};
    }
    const int length = clamp_length(bytes.size());
    const int needed = MultiByteToWideChar(code_page, 0, bytes.data(), length, nullptr, 0);
    if (needed <= 0) {
        return {};
    }
    std::wstring wide(static_cast<std::size_t>(needed), L'\0');
    MultiByteToWideChar(code_page, 0, bytes.data(), length, wide.data(), needed);
    return wide;
}

std::string from_wide_to(std::wstring_view wide, unsigned code_page) {
    if (wide.empty()) {
        return {};
    }
    const int length = clamp_length(wide.size());
    const int needed =
        WideCharToMultiByte(code_page, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) {
        return {};
    }
    std::string bytes(static_cast<std::size_t>(needed), '\0');
    WideCharToMultiByte(code_page, 0, wide.data(), length, bytes.data(), needed, nullptr, nullptr);
    return bytes;
}

}  // namespace

std::wstring to_wide(std::string_view utf8) {
    return to_wide_from(utf8, CP_UTF8);
}

std::string to_utf8(std::wstring_view wide) {
    return from_wide_to(wide, CP_UTF8);
}

std::string code_page_to_utf8(std::string_view bytes, unsigned code_page) {
    return to_utf8(to_wide_from(bytes, code_page));
}

std::string to_ansi(std::string_view utf8) {
    return from_wide_to(to_wide(utf8), CP_ACP);
}

std::string ansi_to_utf8(std::string_view ansi) {
    return code_page_to_utf8(ansi, CP_ACP);
}

}  // namespace qorvex::win32
