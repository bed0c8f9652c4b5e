#include "runtime/edit_menu.h"

namespace qorvex::runtime {

namespace {

constexpr EditMenuEntry kEntries[] = {
    {EditCommand::Undo, "撤消(&U)", false},   {EditCommand::Cut, "剪切(&T)", true},
    {EditCommand::Copy, "复制(&C)", false},   {EditCommand::Paste, "粘贴(&P)", false},
    {EditCommand::Delete, "删除(&D)", false}, {EditCommand::SelectAll, "全选(&A)", true},
};

}  // namespace

std::span<const EditMenuEntry> edit_menu_entries() {
    return kEntries;
}

bool edit_command_enabled(EditCommand command, const EditBoxState& state) {
    const bool selected = state.selection_start != state.selection_end;
    switch (command) {
        case EditCommand::Undo:
            return state.can_undo;
        case EditCommand::Cut:
        case EditCommand::Copy:
        case EditCommand::Delete:
            return selected;
        case EditCommand::Paste:
            return state.clipboard_has_text;
        case EditCommand::SelectAll:
            // Offered unless everything is selected already.
            return state.selection_start != 0 || state.selection_end != state.length;
    }
    return false;
}

}  // namespace qorvex::runtime
