#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/runtime_contract_cases.h"
#include "support/runtime_contract_form.h"

// What the user does inside a result box, the same on every back end that
// takes real input: the right-click menu, words, undo, and lines wider than
// the box.

namespace qorvex::test::contract {

namespace {

using Input = EditBoxInput;
using Entries = std::vector<Input::MenuEntry>;
using Selection = Input::Selection;

constexpr const char* kBox = "编辑框1";
constexpr const char* kUndo = "撤消(&U)";
constexpr const char* kCut = "剪切(&T)";
constexpr const char* kCopy = "复制(&C)";
constexpr const char* kPaste = "粘贴(&P)";
constexpr const char* kDelete = "删除(&D)";
constexpr const char* kSelectAll = "全选(&A)";
const std::string kTwoLines = "13800000001 13800000002\r\n13900000000";

Entries entries(bool undo, bool selected, bool paste, bool select_all) {
    return {{kUndo, undo},   {kCut, selected},    {kCopy, selected},
            {kPaste, paste}, {kDelete, selected}, {kSelectAll, select_all}};
}

void right_click_menu_carries_out_the_edit_commands(Input& input, runtime::Form& form) {
    // A double click selects the number under the pointer.
    input.double_click(form, kBox, 14);
    EXPECT_EQ(input.selection(form, kBox), (Selection{12, 23}));
    const Entries with_selection = input.menu(form, kBox);
    EXPECT_EQ(with_selection, entries(false, true, with_selection.at(3).enabled, true));
    ASSERT_TRUE(input.choose(form, kBox, kCopy));
    // Pasted at the end of the text, then taken back.
    input.click(form, kBox, kTwoLines.size());
    EXPECT_EQ(input.menu(form, kBox), entries(false, false, true, true));
    ASSERT_TRUE(input.choose(form, kBox, kPaste));
    EXPECT_EQ(form.text(kBox), kTwoLines + "13800000002");
    EXPECT_TRUE(input.menu(form, kBox).at(0).enabled);
    ASSERT_TRUE(input.choose(form, kBox, kUndo));
    EXPECT_EQ(form.text(kBox), kTwoLines);
    // Everything selected, nothing left to select; deleted, and undone.
    ASSERT_TRUE(input.choose(form, kBox, kSelectAll));
    EXPECT_EQ(input.selection(form, kBox), (Selection{0, kTwoLines.size()}));
    EXPECT_FALSE(input.menu(form, kBox).at(5).enabled);
    EXPECT_FALSE(input.choose(form, kBox, kSelectAll));
    ASSERT_TRUE(input.choose(form, kBox, kDelete));
    EXPECT_EQ(form.text(kBox), "");
    ASSERT_TRUE(input.choose(form, kBox, kUndo));
    EXPECT_EQ(form.text(kBox), kTwoLines);
    // Cut takes the selection away.
    input.double_click(form, kBox, 3);
    ASSERT_TRUE(input.choose(form, kBox, kCut));
    EXPECT_EQ(form.text(kBox), " 13800000002\r\n13900000000");
}

void ctrl_arrows_move_by_words(Input& input, runtime::Form& form) {
    using runtime::kKeyCtrl;
    using runtime::kKeyShift;
    struct Row {
        const char* label;
        std::size_t from;
        Input::Key key;
        int key_state;
        Selection expected;
    };
    const std::vector<Row> rows{
        {"to the next number", 0, Input::Key::Right, kKeyCtrl, {12, 12}},
        {"from inside a number to the next", 3, Input::Key::Right, kKeyCtrl, {12, 12}},
        {"to the end of the line first", 12, Input::Key::Right, kKeyCtrl, {23, 23}},
        {"then to the next line", 23, Input::Key::Right, kKeyCtrl, {25, 25}},
        {"back to the end of the line above", 25, Input::Key::Left, kKeyCtrl, {23, 23}},
        {"back to the start of the number", 23, Input::Key::Left, kKeyCtrl, {12, 12}},
        {"back over the blank", 12, Input::Key::Left, kKeyCtrl, {0, 0}},
        {"selecting a word", 0, Input::Key::Right, kKeyCtrl | kKeyShift, {0, 12}},
        {"a plain arrow moves one character", 12, Input::Key::Right, 0, {13, 13}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        input.click(form, kBox, row.from);
        input.press(form, kBox, row.key, row.key_state);
        EXPECT_EQ(input.selection(form, kBox), row.expected);
    }
}

void undo_takes_back_the_users_last_edit(Input& input, runtime::Form& form) {
    EXPECT_FALSE(input.menu(form, kBox).at(0).enabled);
    // Two edits: a number cut, then digits typed. Undo takes back the typing.
    input.double_click(form, kBox, 3);
    ASSERT_TRUE(input.choose(form, kBox, kCut));
    input.click(form, kBox, 0);
    input.type(form, kBox, "99");
    EXPECT_EQ(form.text(kBox), "99 13800000002\r\n13900000000");
    // The program's appends go on and do not lose the user's last edit.
    form.append_text(kBox, "\r\n13700000000");
    ASSERT_TRUE(input.choose(form, kBox, kUndo));
    EXPECT_EQ(form.text(kBox), " 13800000002\r\n13900000000\r\n13700000000");
    // Text the program sets anew leaves nothing to undo.
    form.set_text(kBox, kTwoLines);
    EXPECT_FALSE(input.menu(form, kBox).at(0).enabled);
    EXPECT_FALSE(input.choose(form, kBox, kUndo));
    EXPECT_EQ(form.text(kBox), kTwoLines);
}

void every_character_of_a_wide_line_can_be_brought_into_sight(Input& input, runtime::Form& form) {
    // Far wider than the box, and longer than any cut a box once made.
    std::string wide;
    for (int i = 0; i < 400; ++i) {
        wide += "1380000" + std::to_string(1000 + i) + " ";
    }
    form.set_text(kBox, "13800000001\r\n" + wide + "\r\n13900000000");
    const std::size_t start = 13;
    const std::size_t end = start + wide.size();
    for (const std::size_t offset : {start + 1000, start + 3000, end - 1, end}) {
        SCOPED_TRACE(offset);
        input.click(form, kBox, start);
        // The caret walks there by words and characters, as a user would.
        while (input.selection(form, kBox).end + 12 < offset) {
            input.press(form, kBox, Input::Key::Right, runtime::kKeyCtrl);
        }
        while (input.selection(form, kBox).end < offset) {
            input.press(form, kBox, Input::Key::Right, 0);
        }
        EXPECT_EQ(input.selection(form, kBox).end, offset);
        EXPECT_TRUE(input.in_sight(form, kBox, offset));
    }
    // Home brings the start of the line back.
    input.press(form, kBox, Input::Key::Home, 0);
    EXPECT_TRUE(input.in_sight(form, kBox, start));
    EXPECT_EQ(form.text(kBox), "13800000001\r\n" + wide + "\r\n13900000000");
}

// Runs `body` on the contract window with kTwoLines in its result box.
template <void (*body)(Input&, runtime::Form&)>
void with_result_box(RuntimeDriver& driver) {
    Input* input = driver.edit_box_input();
    if (input == nullptr) {
        GTEST_SKIP() << "this back end takes no input inside edit boxes";
    }
    ContractWindow window(driver);
    window.form().set_text(kBox, kTwoLines);
    body(*input, window.form());
}

constexpr Case kCases[] = {
    {"RightClickMenuCarriesOutTheEditCommands",
     with_result_box<right_click_menu_carries_out_the_edit_commands>},
    {"CtrlArrowsMoveByWords", with_result_box<ctrl_arrows_move_by_words>},
    {"UndoTakesBackTheUsersLastEdit", with_result_box<undo_takes_back_the_users_last_edit>},
    {"EveryCharacterOfAWideLineCanBeBroughtIntoSight",
     with_result_box<every_character_of_a_wide_line_can_be_brought_into_sight>},
};

}  // namespace

std::span<const Case> editing_cases() {
    return kCases;
}

}  // namespace qorvex::test::contract
