#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "runtime/win32/win32_form.h"
#include "support/runtime_contract_form.h"
#include "win32/wide_text.h"
#include "win32/win32_driver.h"

// A result box on the Win32 back end is the program's own line view and
// edits as an edit box does: the user clicks, drags, types, selects, copies,
// pastes and deletes with the keys of an edit control, and the program's
// next lines still go to the end.

namespace qorvex::test {

namespace {

constexpr wchar_t kCopy = 0x03;   // Ctrl+C as the edit control receives it
constexpr wchar_t kPaste = 0x16;  // Ctrl+V
constexpr wchar_t kCut = 0x18;    // Ctrl+X
constexpr wchar_t kBackspace = 0x08;
constexpr BYTE kKeyDown = 0x80;

runtime::FormDescription result_box_form() {
    runtime::FormDescription form;
    form.name = "results";
    form.caption = "results";
    form.width = 300;
    form.height = 240;
    runtime::ComponentDescription box;
    box.name = "编辑框1";
    box.type = runtime::ComponentType::EditBox;
    box.geometry = {10, 10, 115, 180};
    box.tab_stop = true;
    box.font = {16, "", runtime::Charset::Gb2312};
    box.text = "13800000001\r\n13800000002\r\n";
    box.edit_style = runtime::EditStyle::MultiLineWithScrollBar;
    form.components = {box};
    return form;
}

// A key pressed with the given modifier keys held, as the control reads them.
void press(HWND edit, UINT key, std::initializer_list<BYTE> held = {}) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    const BYTE saved_shift = keys[VK_SHIFT];
    const BYTE saved_control = keys[VK_CONTROL];
    for (BYTE modifier : held) {
        keys[modifier] = kKeyDown;
    }
    SetKeyboardState(keys);
    SendMessageW(edit, WM_KEYDOWN, key, 1);
    SendMessageW(edit, WM_KEYUP, key, 1);
    keys[VK_SHIFT] = saved_shift;
    keys[VK_CONTROL] = saved_control;
    SetKeyboardState(keys);
}

void type(HWND edit, std::wstring_view characters) {
    for (wchar_t c : characters) {
        SendMessageW(edit, WM_CHAR, c, 1);
    }
}

std::string clipboard_text() {
    std::string text;
    if (OpenClipboard(nullptr)) {
        if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
            text = win32::to_utf8(static_cast<const wchar_t*>(GlobalLock(data)));
            GlobalUnlock(data);
        }
        CloseClipboard();
    }
    return text;
}

class Win32EditBox : public ::testing::Test {
protected:
    Win32Driver driver;
    ContractWindow window{driver, result_box_form()};
    runtime::Form& form = window.form();
    HWND edit = dynamic_cast<runtime::Win32Form&>(form).control("编辑框1");
};

TEST_F(Win32EditBox, TheUserEditsSelectsAndCopiesWhileAppendsGoToTheEnd) {
    ASSERT_TRUE(driver.focus(form, "编辑框1"));
    // A click at the start of the second line, then typing there.
    const auto second_line = static_cast<WPARAM>(SendMessageW(edit, EM_LINEINDEX, 1, 0));
    const auto place = static_cast<DWORD>(SendMessageW(edit, EM_POSFROMCHAR, second_line, 0));
    const LPARAM point = MAKELPARAM(LOWORD(place) + 1, HIWORD(place) + 2);
    SendMessageW(edit, WM_LBUTTONDOWN, MK_LBUTTON, point);
    SendMessageW(edit, WM_LBUTTONUP, 0, point);
    type(edit, L"9");
    press(edit, VK_DELETE);
    // The line selected with Shift+End, copied, and pasted at the end.
    press(edit, VK_HOME);
    press(edit, VK_END, {VK_SHIFT});
    type(edit, {&kCopy, 1});
    EXPECT_EQ(clipboard_text(), "93800000002");
    press(edit, VK_END, {VK_CONTROL});
    type(edit, {&kPaste, 1});
    type(edit, {&kBackspace, 1});
    driver.process_events();
    EXPECT_EQ(form.text("编辑框1"), "13800000001\r\n93800000002\r\n9380000000");
    // The user leaves the caret inside the text; the program's next lines
    // still go to the end, where the caret then is.
    press(edit, VK_HOME, {VK_CONTROL});
    form.append_text("编辑框1", "\r\n13900000000\r\n");
    const std::string expected = "13800000001\r\n93800000002\r\n9380000000\r\n13900000000\r\n";
    EXPECT_EQ(form.text("编辑框1"), expected);
    DWORD start = 0;
    DWORD end = 0;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, static_cast<DWORD>(expected.size()));  // offsets into the UTF-8 text
    EXPECT_EQ(end, start);
}

// The point in the box where a character offset of its text is drawn.
LPARAM point_of(HWND edit, std::size_t offset) {
    const auto place = static_cast<DWORD>(SendMessageW(edit, EM_POSFROMCHAR, offset, 0));
    return MAKELPARAM(LOWORD(place) + 1, HIWORD(place) + 2);
}

TEST_F(Win32EditBox, DraggingSelectsAndEnterBreaksTheLineWithCrLf) {
    ASSERT_TRUE(driver.focus(form, "编辑框1"));
    // From the third character of the first line to the third of the second.
    const auto second_line = static_cast<std::size_t>(SendMessageW(edit, EM_LINEINDEX, 1, 0));
    SendMessageW(edit, WM_LBUTTONDOWN, MK_LBUTTON, point_of(edit, 2));
    SendMessageW(edit, WM_MOUSEMOVE, MK_LBUTTON, point_of(edit, second_line + 2));
    SendMessageW(edit, WM_LBUTTONUP, 0, point_of(edit, second_line + 2));
    type(edit, {&kCut, 1});
    EXPECT_EQ(clipboard_text(), "800000001\r\n13");
    type(edit, L"\r");
    EXPECT_EQ(form.text("编辑框1"), "13\r\n800000002\r\n");
}

TEST_F(Win32EditBox, ALongBoxScrollsByPagesAndShowsItsEndAfterAnAppend) {
    std::string lines;
    for (int i = 0; i < 100000; ++i) {
        lines += "13800000000\r\n";
    }
    form.set_text("编辑框1", lines);
    form.append_text("编辑框1", "13900000000\r\n");
    SCROLLINFO info{sizeof(info), SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(edit, SB_VERT, &info);
    // 100,002 lines, the last one empty, and the end in sight after the append.
    const auto first_shown = [this] {
        return static_cast<std::size_t>(SendMessageW(edit, EM_GETFIRSTVISIBLELINE, 0, 0));
    };
    const std::size_t page = 100'002 - first_shown();
    EXPECT_GT(page, 1U);
    EXPECT_LT(page, 20U);
    EXPECT_EQ(info.nPos, info.nMax + 1 - static_cast<int>(info.nPage));
    SendMessageW(edit, WM_VSCROLL, SB_TOP, 0);
    SendMessageW(edit, WM_VSCROLL, SB_PAGEDOWN, 0);
    SendMessageW(edit, WM_VSCROLL, SB_PAGEDOWN, 0);
    EXPECT_EQ(first_shown(), 2 * page);
    GetScrollInfo(edit, SB_VERT, &info);
    EXPECT_GT(info.nPos, 0);
}

}  // namespace
}  // namespace qorvex::test
