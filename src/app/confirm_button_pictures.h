#pragma once

// The three looks of the notice window's confirm button, as PNG bytes that
// the form description carries and the window back end decodes.

#include <cstdint>
#include <span>

namespace qorvex::app {

struct ConfirmButtonPictures {
    std::span<const std::uint8_t> normal;
    std::span<const std::uint8_t> hover;
    std::span<const std::uint8_t> pressed;
};

// Views of static data: valid for the whole run.
ConfirmButtonPictures confirm_button_pictures();

}  // namespace qorvex::app
