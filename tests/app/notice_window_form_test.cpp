#include "app/notice_window_form.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace qorvex::app {
namespace {

std::uint32_t big_endian(std::span<const std::uint8_t> bytes, std::size_t at) {
    return std::uint32_t{bytes[at]} << 24U | std::uint32_t{bytes[at + 1]} << 16U |
           std::uint32_t{bytes[at + 2]} << 8U | std::uint32_t{bytes[at + 3]};
}

// Walks the chunk structure: signature, IHDR first, IEND last, every length
// inside the data.
struct PngShape {
    bool well_formed = false;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int data_chunks = 0;
};

PngShape png_shape(std::span<const std::uint8_t> png) {
    constexpr std::uint8_t kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    PngShape shape;
    if (png.size() < 8 || !std::equal(std::begin(kSignature), std::end(kSignature), png.begin())) {
        return shape;
    }
    std::size_t at = 8;
    std::string first;
    while (at + 12 <= png.size()) {
        const std::uint32_t length = big_endian(png, at);
        const std::string type(png.begin() + static_cast<std::ptrdiff_t>(at + 4),
                               png.begin() + static_cast<std::ptrdiff_t>(at + 8));
        if (at + 12 + length > png.size()) {
            return shape;
        }
        if (first.empty()) {
            first = type;
            shape.width = big_endian(png, at + 8);
            shape.height = big_endian(png, at + 12);
        }
        shape.data_chunks += type == "IDAT" ? 1 : 0;
        at += 12 + length;
        if (type == "IEND") {
            shape.well_formed = first == "IHDR" && at == png.size() && shape.data_chunks > 0;
            return shape;
        }
    }
    return shape;
}

TEST(NoticeWindowForm, IsADialogFrameWithoutTitleBar) {
    const runtime::FormDescription form = notice_window_form();
    EXPECT_EQ(form.width, 380);
    EXPECT_EQ(form.height, 250);
    EXPECT_TRUE(form.centred);
    EXPECT_EQ(form.caption, "");
    EXPECT_FALSE(form.style.title_bar);
    EXPECT_EQ(form.components.size(), 2U);
}

TEST(NoticeWindowForm, LabelUsesFourteenPixelSongTypefaceWithTheAnsiSet) {
    const runtime::FormDescription form = notice_window_form();
    const runtime::ComponentDescription& label = form.components.at(0);
    EXPECT_EQ(label.name, "透明标签2");
    EXPECT_EQ(label.type, runtime::ComponentType::TransparentLabel);
    EXPECT_EQ(label.geometry, (runtime::Rect{10, 40, 360, 115}));
    EXPECT_TRUE(label.visible);
    EXPECT_EQ(label.cursor, runtime::CursorShape::Arrow);
    EXPECT_EQ(label.font.pixel_height, 14);
    EXPECT_EQ(label.font.face, "宋体");
    EXPECT_EQ(label.font.charset, runtime::Charset::Ansi);
    EXPECT_EQ(label.text, "");
}

TEST(NoticeWindowForm, ConfirmButtonStartsHiddenWithTheHandCursor) {
    const runtime::FormDescription form = notice_window_form();
    const runtime::ComponentDescription& button = form.components.at(1);
    EXPECT_EQ(button.name, "长确定");
    EXPECT_EQ(button.type, runtime::ComponentType::PictureButton);
    EXPECT_EQ(button.geometry, (runtime::Rect{112, 184, 120, 30}));
    EXPECT_FALSE(button.visible);
    EXPECT_EQ(button.cursor, runtime::CursorShape::Hand);
    EXPECT_EQ(button.text, "");
}

TEST(NoticeWindowForm, ConfirmButtonCarriesThreeDistinct120By30Pictures) {
    const runtime::FormDescription form = notice_window_form();
    const auto& pictures = form.components.at(1).pictures;
    ASSERT_EQ(pictures.size(), 3U);
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        SCOPED_TRACE("picture " + std::to_string(i));
        const PngShape shape = png_shape(pictures[i]);
        EXPECT_TRUE(shape.well_formed);
        EXPECT_EQ(shape.width, 120U);
        EXPECT_EQ(shape.height, 30U);
        for (std::size_t j = 0; j < i; ++j) {
            EXPECT_FALSE(std::equal(pictures[i].begin(), pictures[i].end(), pictures[j].begin(),
                                    pictures[j].end()));
        }
    }
}

}  // namespace
}  // namespace qorvex::app
