#pragma once

// The main window as the user is meant to find it, written out once more by
// hand for the tests: every component with its type, place, parent, focus
// behaviour, cursor, font and start text, and the fixed item lists. The tests
// compare the program's form against these rows.

#include <optional>
#include <string>
#include <vector>

#include "runtime/form_description.h"

namespace qorvex::test {

struct ExpectedComponent {
    std::string name;
    runtime::ComponentType type;
    runtime::Rect geometry;
    std::string parent;  // empty: the window
    bool visible;
    bool tab_stop;
    runtime::CursorShape cursor;
    int font_height;  // 0: the standard user-interface font
    std::string font_face;
    // Nothing for components without a text (lists, timer) and for
    // 编辑框161, whose sample numbers are checked on their own.
    std::optional<std::string> text;
};

// Every component of the main window, the pattern grid included (81 rows).
std::vector<ExpectedComponent> expected_main_window_components();

struct ExpectedEditStyle {
    std::string name;
    runtime::EditStyle style;
};

std::vector<ExpectedEditStyle> expected_edit_styles();

std::vector<std::string> expected_provinces();
std::vector<std::string> expected_card_rows();

}  // namespace qorvex::test
