// The GBK reading over the code page 936 tables of Windows.
#include <windows.h>

#include <string>
#include <string_view>

#include "web/gbk_text.h"

namespace qorvex::web {

namespace {

constexpr UINT kGbkCodePage = 936;
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// Whether the text ends inside a two-byte character. Code page 936 reads such
// a lead byte as '?', which would pass for a real question mark.
bool ends_in_cut_character(std::string_view gbk) {
    std::size_t i = 0;
    while (i < gbk.size()) {
        const bool lead = IsDBCSLeadByteEx(kGbkCodePage, static_cast<BYTE>(gbk[i])) != FALSE;
        if (lead && i + 1 == gbk.size()) {
            return true;
        }
        i += lead ? 2U : 1U;
    }
    return false;
}

}  // namespace

std::string decode_gbk(std::string_view gbk) {
    if (ends_in_cut_character(gbk)) {
        return decode_gbk(gbk.substr(0, gbk.size() - 1)) + std::string(kReplacement);
    }
    if (gbk.empty()) {
        return {};
    }
    // Bytes that start no character become U+FFFD; code page 936 gives 0x80
    // and 0xFF characters of their own.
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
