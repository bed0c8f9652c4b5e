#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "runtime/win32/win32_form.h"
#include "support/runtime_contract_form.h"
#include "win32/win32_driver.h"

// A drop-down list changed with the keyboard or the wheel while it is closed
// commits the new item at once (the control sends CBN_SELENDOK before
// CBN_SELCHANGE), so the item-selected event follows every change the user
// makes, as it does on Qt: a province shown is a province picked.

namespace qorvex::test {

namespace {

using Events = std::vector<std::string>;

struct ClosedListChange {
    const char* label;
    UINT message;
    WPARAM wparam;
    int selection;
};

TEST(Win32ComboBox, KeyboardAndWheelChangesOfAClosedListRaiseItemSelected) {
    const ClosedListChange changes[] = {
        {"down arrow", WM_KEYDOWN, VK_DOWN, 1},
        {"right arrow", WM_KEYDOWN, VK_RIGHT, 2},
        {"wheel turned up", WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 1},
        {"wheel turned down", WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), 2},
        {"up arrow", WM_KEYDOWN, VK_UP, 1},
    };
    Win32Driver driver;
    ContractWindow window(driver);
    ASSERT_TRUE(window.opened());
    ASSERT_TRUE(driver.focus(window.form(), "组合框1"));
    driver.process_events();
    HWND combo = dynamic_cast<runtime::Win32Form&>(window.form()).control("组合框1");
    for (const ClosedListChange& change : changes) {
        SCOPED_TRACE(change.label);
        window.clear_events();
        SendMessageW(combo, change.message, change.wparam, 0);
        driver.process_events();
        EXPECT_EQ(window.events(),
                  (Events{"组合框1 selected " + std::to_string(change.selection)}));
        EXPECT_EQ(window.form().selection("组合框1"), change.selection);
    }
}

}  // namespace

}  // namespace qorvex::test
