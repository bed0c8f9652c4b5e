#include "runtime/win32/win32_controls.h"

#include <commctrl.h>

#include "win32/wide_text.h"

namespace qorvex::runtime {

namespace {

// Item texts longer than this are cut when read back; no item comes near it.
constexpr int kItemTextLimit = 1024;

}  // namespace

std::string window_text(HWND window) {
    const int length = GetWindowTextLengthW(window);
    if (length <= 0) {
        return {};
    }
    std::wstring wide(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(window, wide.data(), length + 1);
    wide.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return win32::to_utf8(wide);
}

void set_window_text(HWND window, std::string_view text) {
    SetWindowTextW(window, win32::to_wide(text).c_str());
}

void edit_append(HWND edit, std::string_view text) {
    const std::wstring wide = win32::to_wide(text);
    const auto end = static_cast<WPARAM>(GetWindowTextLengthW(edit));
    SendMessageW(edit, EM_SETSEL, end, static_cast<LPARAM>(end));
    SendMessageW(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(wide.c_str()));
}

void combo_add(HWND combo, std::string_view item) {
    const std::wstring wide = win32::to_wide(item);
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
}

std::vector<std::string> combo_items(HWND combo) {
    std::vector<std::string> items;
    const auto count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const auto index = static_cast<WPARAM>(i);
        const auto length = SendMessageW(combo, CB_GETLBTEXTLEN, index, 0);
        std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
        const auto copied =
            SendMessageW(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(wide.data()));
        wide.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
        items.push_back(win32::to_utf8(wide));
    }
    return items;
}

void fill_list_view(HWND list, const ComponentDescription& description) {
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
    int column_index = 0;
    for (const ListColumn& column : description.columns) {
        std::wstring title = win32::to_wide(column.title);
        LVCOLUMNW header{};
        header.mask = LVCF_TEXT | LVCF_WIDTH;
        header.cx = column.width;
        header.pszText = title.data();
        SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(column_index++),
                     reinterpret_cast<LPARAM>(&header));
    }
    int row_index = 0;
    for (const std::string& row : description.items) {
        std::wstring text = win32::to_wide(row);
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = row_index++;
        item.pszText = text.data();
        SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
    list_view_select_row(list, description.selected_index);
}

std::vector<std::string> list_view_rows(HWND list) {
    std::vector<std::string> rows;
    const auto count = SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        std::wstring text(kItemTextLimit, L'\0');
        LVITEMW item{};
        item.iSubItem = 0;
        item.pszText = text.data();
        item.cchTextMax = kItemTextLimit;
        const auto copied = SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(i),
                                         reinterpret_cast<LPARAM>(&item));
        text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
        rows.push_back(win32::to_utf8(text));
    }
    return rows;
}

int list_view_current_row(HWND list) {
    return static_cast<int>(
        SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void list_view_select_row(HWND list, int row) {
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = 0;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
    const auto count = SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
    if (row < 0 || row >= count) {
        return;
    }
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(&state));
    SendMessageW(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
}

Rect child_rect(HWND control) {
    RECT area{};
    GetWindowRect(control, &area);
    POINT corners[2] = {{area.left, area.top}, {area.right, area.bottom}};
    MapWindowPoints(HWND_DESKTOP, GetParent(control), corners, 2);
    return {corners[0].x, corners[0].y, corners[1].x - corners[0].x, corners[1].y - corners[0].y};
}

}  // namespace qorvex::runtime
