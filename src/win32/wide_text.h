#pragma once

// Texts are UTF-8 throughout the program; Windows takes UTF-16. These are the
// only crossings, used at the Win32, COM and WinHTTP boundaries.

#include <string>
#include <string_view>

namespace qorvex::win32 {

// Invalid UTF-8 sequences become U+FFFD rather than failing the conversion.
std::wstring to_wide(std::string_view utf8);
std::string to_utf8(std::wstring_view wide);

// Text in a Windows code page (936 is GBK) to UTF-8; unmappable bytes become U+FFFD.
std::string code_page_to_utf8(std::string_view bytes, unsigned code_page);

// UTF-8 to the system's ANSI code page, for the functions that take "A"
// texts; characters the code page lacks become its default character.
std::string to_ansi(std::string_view utf8);
std::string ansi_to_utf8(std::string_view ansi);

}  // namespace qorvex::win32
