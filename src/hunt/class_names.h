#pragma once

// The names of the class bits of a ClassMask: the fourteen captions as the
// window's pattern grid shows them, and 自定义匹配 for the custom pattern.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "hunt/store.h"

namespace qorvex::hunt {

std::string_view class_caption(int bit);

// The bit of a caption; Latin letters match in any case ("aaa" is AAA).
std::optional<int> class_bit_of(std::string_view caption);

// Every accepted caption, in bit order.
std::vector<std::string_view> class_captions();

// The captions of the set bits, in bit order, joined with `separator`.
std::string class_list(ClassMask classes, std::string_view separator = ",");

}  // namespace qorvex::hunt
