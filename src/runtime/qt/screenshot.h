#pragma once

// Pictures of a window as the user sees its client area, for tests and the
// screenshot script.

#include <QImage>
#include <string>

#include "runtime/runtime.h"

namespace qorvex::runtime::qt {

// The client area of a window made by the Qt back end; a null image when the
// form is not a Qt window or has been destroyed.
QImage grab_window(Form& form);

// Writes grab_window(form) as a PNG file; false when there is nothing to
// grab or the file cannot be written.
bool save_screenshot(Form& form, const std::string& path);

}  // namespace qorvex::runtime::qt
