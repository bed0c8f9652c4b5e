#pragma once

// PNG pictures carried in form descriptions are decoded with libpng, so that
// the pictures look the same whatever image plug-ins the toolkit has.

#include <QImage>
#include <cstdint>
#include <span>

namespace qorvex::runtime::qt {

// The picture as 32-bit RGBA, or a null image when the bytes are no valid PNG.
QImage decode_png(std::span<const std::uint8_t> bytes);

}  // namespace qorvex::runtime::qt
