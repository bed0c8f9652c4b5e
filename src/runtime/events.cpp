#include "runtime/events.h"

#include <algorithm>
#include <array>
#include <utility>

namespace qorvex::runtime {

namespace {

// Every event a component type can raise; any pair not listed is never raised.
constexpr std::array<std::pair<ComponentType, EventKind>, 9> kRaisedEvents{{
    {ComponentType::Window, EventKind::CreationComplete},
    {ComponentType::Window, EventKind::FirstActivation},
    {ComponentType::Button, EventKind::Clicked},
    {ComponentType::PictureButton, EventKind::Clicked},
    {ComponentType::Timer, EventKind::PeriodElapsed},
    {ComponentType::ComboBox, EventKind::ItemSelected},
    {ComponentType::ComboBox, EventKind::GotFocus},
    {ComponentType::ListView, EventKind::RowChanged},
    {ComponentType::TransparentLabel, EventKind::LeftButtonPressed},
}};

}  // namespace

bool type_raises(ComponentType type, EventKind kind) {
    return std::find(kRaisedEvents.begin(), kRaisedEvents.end(), std::pair{type, kind}) !=
           kRaisedEvents.end();
}

EventHandler bound_handler(const EventTable& events, std::string_view component, EventKind kind) {
    for (const EventBinding& binding : events) {
        if (binding.component == component && binding.kind == kind) {
            return binding.handler;
        }
    }
    return {};
}

}  // namespace qorvex::runtime
