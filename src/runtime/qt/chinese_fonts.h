#pragma once

// The faces of Chinese text, and the standard font the forms were laid out
// against.

#include <QFont>
#include <QStringList>

namespace qorvex::runtime::qt {

// The faces Windows uses for the GB2312 character set, then Chinese faces
// common elsewhere; the first one installed is used.
QStringList chinese_faces();

// The standard user-interface font of the desktop the forms were laid out
// on: 12 pixels high, a Chinese face. A component without a font of its own
// takes it, so captions keep the room the form gives them whatever the
// desktop's own font is.
QFont standard_font();

}  // namespace qorvex::runtime::qt
