#pragma once

// The pictures of a picture button, decoded from PNG bytes by the platform's
// image decoder (WIC) into premultiplied 32-bit bitmaps and drawn with their
// transparency.

#include <windows.h>

#include <cstdint>
#include <span>
#include <vector>

namespace qorvex::runtime {

class PictureSet {
public:
    // Pictures that fail to decode are left out; COM must be initialised on
    // the calling thread.
    explicit PictureSet(std::span<const std::span<const std::uint8_t>> pngs);
    ~PictureSet();
    PictureSet(const PictureSet&) = delete;
    PictureSet& operator=(const PictureSet&) = delete;

    std::size_t size() const { return m_pictures.size(); }
    SIZE picture_size(std::size_t index) const;

    // Draws picture `index` (the first one when there is no such picture)
    // stretched over `area`; false when there is nothing to draw.
    bool draw(HDC dc, const RECT& area, std::size_t index) const;

private:
    struct Picture {
        HBITMAP bitmap = nullptr;
        SIZE size{};
    };
    std::vector<Picture> m_pictures;
};

}  // namespace qorvex::runtime
