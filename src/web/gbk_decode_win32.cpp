// The GBK reading over the code page 936 tables of Windows.
#ifdef _WIN32

#include <windows.h>

#include <string>

#include "web/gbk_text.h"

namespace qorvex::web {

namespace {

constexpr UINT kGbkCodePage = 936;

}  // namespace

std::string decode_gbk(std::string_view gbk) {
    if (gbk.empty()) {
        return {};
    }
    // Bytes that start no character become U+FFFD.
    const int input_size = static_cast<int>(gbk.size());
    const int wide_size = MultiByteToWideChar(kGbkCodePage, 0, gbk.data(), input_size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(wide_size), L'\0');
    MultiByteToWideChar(kGbkCodePage, 0, gbk.data(), input_size, wide.data(), wide_size);
    const int utf8_size =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_size, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(utf8_size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_size, utf8.data(), utf8_size, nullptr,
                        nullptr);
    return utf8;
}

}  // namespace qorvex::web

#endif
