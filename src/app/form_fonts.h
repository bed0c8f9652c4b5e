#pragma once

// Fonts of the two windows. Every explicit font has normal weight; the main
// window's use the GB2312 character set and mostly leave the face to the
// system, the notice label names "宋体" with the ANSI set.

#include <string>
#include <utility>

#include "runtime/form_description.h"

namespace qorvex::app {

inline runtime::FontSpec gb2312_font(int pixel_height, std::string face = {}) {
    return {pixel_height, std::move(face), runtime::Charset::Gb2312};
}

inline constexpr const char* kSongTypeface = "宋体";

}  // namespace qorvex::app
