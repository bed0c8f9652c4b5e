#pragma once

// The update notice window: a 380 x 250 dialog frame without title bar or
// close button, holding the message label and the picture button 长确定, the
// only way out of it. The button starts hidden; the notice creation handler
// shows it when a newer version was found.

#include "runtime/form_description.h"

namespace qorvex::app {

inline constexpr int kNoticeWindowWidth = 380;
inline constexpr int kNoticeWindowHeight = 250;

runtime::FormDescription notice_window_form();

}  // namespace qorvex::app
