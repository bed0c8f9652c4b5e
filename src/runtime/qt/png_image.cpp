#include "runtime/qt/png_image.h"

#include <png.h>

#include <cstring>

namespace qorvex::runtime::qt {

namespace {

// Guards against pictures so large that the pixel buffer size overflows or
// exhausts memory; form pictures are button-sized.
constexpr png_uint_32 kMaxSide = 4096;

}  // namespace

QImage decode_png(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) {
        return {};
    }
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()) == 0) {
        return {};
    }
    if (image.width == 0 || image.height == 0 || image.width > kMaxSide ||
        image.height > kMaxSide) {
        png_image_free(&image);
        return {};
    }
    // A 16-bit picture without colour information is taken as sRGB, as image
    // viewers take it, rather than as linear light, which would lighten it.
    image.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
    image.format = PNG_FORMAT_RGBA;
    QImage decoded(static_cast<int>(image.width), static_cast<int>(image.height),
                   QImage::Format_RGBA8888);
    if (decoded.isNull()) {
        png_image_free(&image);
        return {};
    }
    // QImage rows may be padded; libpng writes with the stride we hand it.
    const auto stride = static_cast<png_int_32>(decoded.bytesPerLine());
    if (png_image_finish_read(&image, nullptr, decoded.bits(), stride, nullptr) == 0) {
        png_image_free(&image);
        return {};
    }
    return decoded;
}

}  // namespace qorvex::runtime::qt
