#pragma once

// Reading and writing the standard controls by message, in UTF-8.

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "runtime/form_description.h"

namespace qorvex::runtime {

std::string window_text(HWND window);
void set_window_text(HWND window, std::string_view text);

// Appends at the end of an edit control; the caret moves to the end.
void edit_append(HWND edit, std::string_view text);

void combo_add(HWND combo, std::string_view item);
std::vector<std::string> combo_items(HWND combo);

// Report view with the description's columns and one row per item.
void fill_list_view(HWND list, const ComponentDescription& description);
std::vector<std::string> list_view_rows(HWND list);
int list_view_current_row(HWND list);
void list_view_select_row(HWND list, int row);

// The rectangle of a control relative to its parent's client area.
Rect child_rect(HWND control);

}  // namespace qorvex::runtime
