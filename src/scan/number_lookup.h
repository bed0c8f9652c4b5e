#pragma once

// The number lookup: is the number the user typed among the lines of the
// all-numbers box? Lines are compared by numeric value, so " 13012345678x"
// finds 13012345678, and eleven-digit numbers compare exactly.
//
// The box may hold millions of lines, so the lookup takes them one at a time
// from whoever walks the box and stops at the first match.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "scan/number_value.h"

namespace qorvex::scan {

inline constexpr std::string_view kLookupReady = "查询输入自己心仪的号码";
inline constexpr std::string_view kLookupProgress = "匹配中...";
inline constexpr std::string_view kLookupFound = "匹配成功，赶紧去申请";
inline constexpr std::string_view kLookupNotFound = "匹配失败，暂无此号";

struct LookupOutcome {
    std::size_t lines_searched = 0;  // 1-based number of the last line compared
    bool found = false;              // that line holds the wanted number

    friend bool operator==(const LookupOutcome&, const LookupOutcome&) = default;
};

class NumberLookup {
public:
    explicit NumberLookup(std::string_view wanted);

    // Compares the next line; returns false once the number is found, which
    // tells the walk to stop.
    bool visit(std::string_view line);

    const LookupOutcome& outcome() const { return m_outcome; }

private:
    NumberValue m_wanted;
    NumberValue m_line;
    LookupOutcome m_outcome;
};

// The captions the label shows, in order: the ready caption, then, when
// there was a line to compare, the progress caption of the last line
// compared and the verdict. The progress and failure captions of earlier
// lines are overwritten before the user could see them, so they are not
// written at all: a box of millions of lines is searched in one pass.
std::vector<std::string> lookup_captions(const LookupOutcome& outcome);

}  // namespace qorvex::scan
