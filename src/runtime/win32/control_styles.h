#pragma once

// How each component type becomes a standard control: its window class and
// styles, looked up in one table.

#include <windows.h>

#include "runtime/form_description.h"

namespace qorvex::runtime {

struct ControlStyle {
    const wchar_t* window_class = nullptr;  // nullptr: no window (timers)
    DWORD style = 0;
    DWORD ex_style = 0;
};

// The control for one component, tab stop and visibility included.
ControlStyle control_style(const ComponentDescription& component);

// A drop-down list opens inside the combo box's own window, so the window is
// made at least this tall for the opened list to show several items.
inline constexpr int kMinimumComboBoxHeight = 160;

// The frame of a top-level window.
ControlStyle window_style(const WindowStyle& style);

// The outer size, in this system's own frame, of a window whose outer size in
// the designed frame is the one given: the two share the client area. The
// frame Windows draws is about the designed one; Wine's is thinner.
SIZE native_outer_size(const WindowStyle& style, int outer_width, int outer_height);

}  // namespace qorvex::runtime
