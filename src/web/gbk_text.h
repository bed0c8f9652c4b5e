#pragma once

#include <string>
#include <string_view>

// Texts that servers send in GBK (code page 936), the encoding of the
// program's files on the web, turned into the UTF-8 the program works in.
namespace qorvex::web {

// Well-formed UTF-8: no stray or missing continuation bytes, no overlong
// forms, no surrogates, nothing above U+10FFFF.
bool is_valid_utf8(std::string_view text);

// The text as UTF-8. A text that is valid UTF-8 already (plain ASCII among
// them) is taken as it is; anything else is read as GBK, and a byte that
// starts no GBK character becomes U+FFFD.
std::string utf8_of_gbk(std::string_view text);

// The GBK reading alone, without the UTF-8 check.
std::string decode_gbk(std::string_view gbk);

}  // namespace qorvex::web
