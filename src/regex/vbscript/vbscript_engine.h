#pragma once

// The regex engine on the platform's VBScript.RegExp component, driven
// through its automation interface. The component implements the ECMAScript
// rules that regex_engine.h promises ($ and ^ honour CR and LF alike in
// multi-line mode), on UTF-16 text: subjects are converted and every position
// mapped back to a byte offset of the UTF-8 subject.
//
// The component reports the text of a capture group but not where it lies;
// a group's span is the first place at or after the start of its match where
// that text occurs, which gives the group's text exactly.

#include <chrono>
#include <memory>

#include "regex/regex_engine.h"
#include "regex/vbscript/search_thread.h"

namespace qorvex::rx {

struct VbscriptSettings {
    // A pass over a 200-number reply takes a few milliseconds; a search of
    // the user's pattern that has taken this much processor time is given up,
    // and that pattern is not searched again: only a new text is.
    static constexpr std::chrono::milliseconds kDefaultProcessorBudget{500};

    std::chrono::milliseconds processor_budget = kDefaultProcessorBudget;
    // The clocks that measure it; tests put in clocks that jump.
    SearchClocks clocks;
};

std::unique_ptr<RegexEngine> make_vbscript_engine(VbscriptSettings settings = {});

// Capture groups of an ECMAScript pattern: every "(" outside a character
// class that is neither escaped nor opens a "(?" group.
std::size_t count_capture_groups(std::wstring_view pattern);

}  // namespace qorvex::rx
