#pragma once

// The right-click menu of a multi-line edit box, the same on every back end:
// the entries of the standard edit control's menu, in its order and with its
// labels, and the rule that greys out an entry the box cannot carry out now.

#include <cstddef>
#include <span>
#include <string_view>

namespace qorvex::runtime {

enum class EditCommand { Undo, Cut, Copy, Paste, Delete, SelectAll };

struct EditMenuEntry {
    EditCommand command;
    std::string_view label;  // '&' marks the access key
    bool separator_before;
};

std::span<const EditMenuEntry> edit_menu_entries();

// What the box holds when its menu opens; offsets are bytes of its text.
struct EditBoxState {
    bool can_undo = false;
    std::size_t selection_start = 0;
    std::size_t selection_end = 0;
    std::size_t length = 0;
    bool clipboard_has_text = false;
};

bool edit_command_enabled(EditCommand command, const EditBoxState& state);

}  // namespace qorvex::runtime
