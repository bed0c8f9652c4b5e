// Pictures decoded with libpng, whatever colour type the PNG file uses.

#include <gtest/gtest.h>

#include "qt/qt_test_forms.h"
#include "runtime/qt/png_image.h"

namespace qorvex::test {
namespace {

using runtime::qt::decode_png;

QImage pattern(QImage::Format format) {
    QImage picture(7, 3, QImage::Format_ARGB32);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            picture.setPixelColor(x, y, QColor(x * 36, y * 120, 255 - x * 30, 255 - y * 60));
        }
    }
    return picture.convertToFormat(format);
}

TEST(QtPngImage, DecodesEveryColourType) {
    struct Row {
        const char* label;
        QImage::Format format;
    };
    const std::vector<Row> rows{
        {"RGB", QImage::Format_RGB32},       {"RGB with alpha", QImage::Format_ARGB32},
        {"grey", QImage::Format_Grayscale8}, {"palette", QImage::Format_Indexed8},
        {"one bit", QImage::Format_Mono},    {"16 bits per channel", QImage::Format_RGBA64},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        const QImage source = pattern(row.format);
        const std::vector<std::uint8_t> bytes = png_bytes(source);
        const QImage decoded = decode_png(bytes);
        ASSERT_EQ(decoded.size(), source.size());
        const QImage expected = source.convertToFormat(QImage::Format_RGBA8888);
        for (int y = 0; y < source.height(); ++y) {
            for (int x = 0; x < source.width(); ++x) {
                // 16-bit channels are reduced to 8 bits, one step apart at most.
                const QColor want = expected.pixelColor(x, y);
                const QColor got = decoded.pixelColor(x, y);
                EXPECT_LE(std::abs(got.red() - want.red()), 1) << x << "," << y;
                EXPECT_LE(std::abs(got.green() - want.green()), 1) << x << "," << y;
                EXPECT_LE(std::abs(got.blue() - want.blue()), 1) << x << "," << y;
                EXPECT_LE(std::abs(got.alpha() - want.alpha()), 1) << x << "," << y;
            }
        }
    }
}

TEST(QtPngImage, RefusesWhatIsNoPng) {
    const std::vector<std::uint8_t> valid = png_bytes(solid_picture(Qt::red, QSize(120, 30)));
    struct Row {
        const char* label;
        std::vector<std::uint8_t> bytes;
    };
    const std::vector<Row> rows{
        {"nothing", {}},
        {"another format", {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0}},
        {"signature only", {valid.begin(), valid.begin() + 8}},
        {"cut short", {valid.begin(), valid.begin() + static_cast<long>(valid.size() / 2)}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        EXPECT_TRUE(decode_png(row.bytes).isNull());
    }
    EXPECT_EQ(decode_png(valid).size(), QSize(120, 30));
}

}  // namespace
}  // namespace qorvex::test
