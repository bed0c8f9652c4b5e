#include "hunt/class_names.h"

#include <algorithm>

#include "scan/pattern_classes.h"

namespace qorvex::hunt {

namespace {

constexpr std::string_view kCustomCaption = "自定义匹配";

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

}  // namespace

std::string_view class_caption(int bit) {
    if (bit >= 0 && bit < scan::kPatternClassCount) {
        return scan::pattern_classes()[std::size_t(bit)].caption;
    }
    return bit == kCustomClassBit ? kCustomCaption : std::string_view{};
}

std::vector<std::string_view> class_captions() {
    std::vector<std::string_view> captions;
    captions.reserve(kClassBitCount);
    for (int bit = 0; bit < kClassBitCount; ++bit) {
        captions.push_back(class_caption(bit));
    }
    return captions;
}

std::optional<int> class_bit_of(std::string_view caption) {
    for (int bit = 0; bit < kClassBitCount; ++bit) {
        const auto known = class_caption(bit);
        if (std::equal(caption.begin(), caption.end(), known.begin(), known.end(),
                       [](char a, char b) { return lower(a) == lower(b); })) {
            return bit;
        }
    }
    return std::nullopt;
}

std::string class_list(ClassMask classes, std::string_view separator) {
    std::string text;
    for (int bit = 0; bit < kClassBitCount; ++bit) {
        if ((classes & (1U << unsigned(bit))) != 0) {
            if (!text.empty()) {
                text += separator;
            }
            text += class_caption(bit);
        }
    }
    return text;
}

}  // namespace qorvex::hunt
