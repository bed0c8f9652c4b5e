#include <windows.h>

#include <algorithm>

#include "runtime/win32/line_view_state.h"
#include "win32/wide_text.h"

// The line view's commands as the right-click menu and the keys give them:
// one level of undo, as an edit control keeps it, and the clipboard.

namespace qorvex::runtime {

namespace {

// Menu item identifiers are the commands counted from 1 (0 means none).
UINT menu_id(EditCommand command) {
    return static_cast<UINT>(command) + 1;
}

}  // namespace

void LineViewState::remember_edit(std::size_t from, std::string_view removed, std::size_t inserted,
                                  bool typing) {
    if (removed.empty() && inserted == 0) {
        return;
    }
    // Characters typed one after another make one edit, undone together.
    if (typing && removed.empty() && undo_record && undo_record->typing &&
        from == undo_record->at + undo_record->inserted) {
        undo_record->inserted += inserted;
        return;
    }
    undo_record = UndoRecord{from, std::string(removed), inserted, typing};
}

void LineViewState::undo() {
    if (!undo_record) {
        return;
    }
    UndoRecord& last = *undo_record;
    const std::size_t end = std::min(last.at + last.inserted, store.size());
    std::string inserted = store.text().substr(last.at, end - last.at);
    store.replace(last.at, end, last.removed);
    modified = true;
    // The text brought back is selected, and undoing again makes the edit again.
    anchor = last.at;
    caret = last.at + last.removed.size();
    last = UndoRecord{last.at, std::move(inserted), last.removed.size(), false};
    show_caret_line();
}

void LineViewState::run_command(EditCommand command) {
    switch (command) {
        case EditCommand::Undo:
            undo();
            return;
        case EditCommand::Cut:
            copy();
            replace_selection({});
            return;
        case EditCommand::Copy:
            copy();
            return;
        case EditCommand::Paste:
            paste();
            return;
        case EditCommand::Delete:
            replace_selection({});
            return;
        case EditCommand::SelectAll:
            anchor = 0;
            move_caret(store.size(), true);
            return;
    }
}

void LineViewState::context_menu(POINT at) {
    if (GetFocus() != window) {
        SetFocus(window);
    }
    if (at.x == -1 && at.y == -1) {
        // From the keyboard: the menu opens below the caret.
        GetCaretPos(&at);
        at.y += line_height;
        ClientToScreen(window, &at);
    }
    EditBoxState now;
    now.can_undo = undo_record.has_value();
    now.selection_start = selection_start();
    now.selection_end = selection_end();
    now.length = store.size();
    now.clipboard_has_text = IsClipboardFormatAvailable(CF_UNICODETEXT) != FALSE;
    HMENU menu = CreatePopupMenu();
    for (const EditMenuEntry& entry : edit_menu_entries()) {
        if (entry.separator_before) {
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        }
        const UINT state = edit_command_enabled(entry.command, now) ? MF_ENABLED : MF_GRAYED;
        AppendMenuW(menu, MF_STRING | state, menu_id(entry.command),
                    win32::to_wide(entry.label).c_str());
    }
    // The choice arrives as WM_COMMAND once the menu has closed.
    TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, window,
                   nullptr);
    DestroyMenu(menu);
}

}  // namespace qorvex::runtime
