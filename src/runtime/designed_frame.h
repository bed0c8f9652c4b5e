#pragma once

// The window frame the forms were laid out against. Window sizes in forms
// and in the runtime interface are outer sizes; a back end whose own frame
// differs (Qt under any window manager, Wine's thinner frame) gives its
// windows the client area this frame leaves, so that what a form places
// beyond it stays out of sight everywhere. A fixed-border window with a
// title bar leaves 8 pixels at the sides and bottom and 30 at the top, a
// dialog frame without title bar 3 pixels all round: a 980 x 650 main window
// shows 964 x 612 and hides what lies beyond.

#include <algorithm>

#include "runtime/form_description.h"

namespace qorvex::runtime {

struct FrameMargins {
    int left;
    int top;
    int right;
    int bottom;
};

constexpr FrameMargins designed_frame(const WindowStyle& style) {
    return style.title_bar ? FrameMargins{8, 30, 8, 8} : FrameMargins{3, 3, 3, 3};
}

struct WindowSize {
    int width;
    int height;
};

// The client area a window of this outer size has in the designed frame.
constexpr WindowSize designed_client_size(const WindowStyle& style, int outer_width,
                                          int outer_height) {
    const FrameMargins frame = designed_frame(style);
    return {std::max(0, outer_width - frame.left - frame.right),
            std::max(0, outer_height - frame.top - frame.bottom)};
}

// The outer size, in the designed frame, of a window with this client area.
constexpr WindowSize designed_outer_size(const WindowStyle& style, int client_width,
                                         int client_height) {
    const FrameMargins frame = designed_frame(style);
    return {client_width + frame.left + frame.right, client_height + frame.top + frame.bottom};
}

}  // namespace qorvex::runtime
