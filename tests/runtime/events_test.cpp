#include "runtime/events.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace qorvex::runtime {
namespace {

TEST(TypeRaises, EachTypeRaisesExactlyItsEvents) {
    struct Row {
        const char* label;
        ComponentType type;
        std::set<EventKind> raised;
    };
    const std::vector<Row> rows{
        {"window",
         ComponentType::Window,
         {EventKind::CreationComplete, EventKind::FirstActivation}},
        {"edit box", ComponentType::EditBox, {}},
        {"label", ComponentType::Label, {}},
        {"transparent label", ComponentType::TransparentLabel, {EventKind::LeftButtonPressed}},
        {"button", ComponentType::Button, {EventKind::Clicked}},
        {"picture button", ComponentType::PictureButton, {EventKind::Clicked}},
        {"check box", ComponentType::CheckBox, {}},
        {"radio button", ComponentType::RadioButton, {}},
        {"group box", ComponentType::GroupBox, {}},
        {"combo box", ComponentType::ComboBox, {EventKind::ItemSelected, EventKind::GotFocus}},
        {"list view", ComponentType::ListView, {}},
        {"timer", ComponentType::Timer, {EventKind::PeriodElapsed}},
    };
    const EventKind kinds[] = {EventKind::CreationComplete, EventKind::FirstActivation,
                               EventKind::Clicked,          EventKind::PeriodElapsed,
                               EventKind::ItemSelected,     EventKind::GotFocus,
                               EventKind::LeftButtonPressed};
    for (const Row& row : rows) {
        for (EventKind kind : kinds) {
            SCOPED_TRACE(std::string(row.label) + ", event " +
                         std::to_string(static_cast<int>(kind)));
            EXPECT_EQ(type_raises(row.type, kind), row.raised.count(kind) == 1);
        }
    }
}

}  // namespace
}  // namespace qorvex::runtime
