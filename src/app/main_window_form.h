#pragma once

// The main window as designed: 1200 x 800 with every component the user works
// with, their places, fonts, start texts and fixed item lists. The creation
// handler shrinks the window afterwards, which hides the debugging corner on
// the right and the scratch box at the bottom.

#include "runtime/form_description.h"

namespace qorvex::app {

inline constexpr const char* kMainWindowCaption = "Qorvex";
inline constexpr int kMainWindowDesignedWidth = 1200;
inline constexpr int kMainWindowDesignedHeight = 800;

runtime::FormDescription main_window_form();

}  // namespace qorvex::app
