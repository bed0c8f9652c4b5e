#include "runtime/win32/png_pictures.h"

#include <wincodec.h>
#include <wrl/client.h>

#include <climits>
#include <optional>

namespace qorvex::runtime {

namespace {

using Microsoft::WRL::ComPtr;

struct Decoded {
    HBITMAP bitmap = nullptr;
    SIZE size{};
};

std::optional<Decoded> decode_png(IWICImagingFactory& factory, std::span<const std::uint8_t> png) {
    if (png.empty() || png.size() > UINT_MAX) {
        return std::nullopt;
    }
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    ComPtr<IWICBitmapSource> converted;
    // WIC reads the bytes in place; they outlive the stream.
    auto* bytes = const_cast<BYTE*>(png.data());
    if (FAILED(factory.CreateStream(&stream)) ||
        FAILED(stream->InitializeFromMemory(bytes, static_cast<DWORD>(png.size()))) ||
        FAILED(factory.CreateDecoderFromStream(stream.Get(), nullptr,
                                               WICDecodeMetadataCacheOnDemand, &decoder)) ||
        FAILED(decoder->GetFrame(0, &frame)) ||
        FAILED(WICConvertBitmapSource(GUID_WICPixelFormat32bppPBGRA, frame.Get(), &converted))) {
        return std::nullopt;
    }
    UINT width = 0;
    UINT height = 0;
    if (FAILED(converted->GetSize(&width, &height)) || width == 0 || height == 0 || width > 4096 ||
        height > 4096) {
        return std::nullopt;
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = static_cast<LONG>(width);
    info.bmiHeader.biHeight = -static_cast<LONG>(height);  // top-down rows, as WIC gives them
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    if (bitmap == nullptr) {
        return std::nullopt;
    }
    const UINT stride = width * 4;
    if (FAILED(
            converted->CopyPixels(nullptr, stride, stride * height, static_cast<BYTE*>(pixels)))) {
        DeleteObject(bitmap);
        return std::nullopt;
    }
    return Decoded{bitmap, SIZE{static_cast<LONG>(width), static_cast<LONG>(height)}};
}

}  // namespace

PictureSet::PictureSet(std::span<const std::span<const std::uint8_t>> pngs) {
    ComPtr<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&factory)))) {
        return;
    }
    for (std::span<const std::uint8_t> png : pngs) {
        if (auto decoded = decode_png(*factory.Get(), png)) {
            m_pictures.push_back({decoded->bitmap, decoded->size});
        }
    }
}

PictureSet::~PictureSet() {
    for (const Picture& picture : m_pictures) {
        DeleteObject(picture.bitmap);
    }
}

SIZE PictureSet::picture_size(std::size_t index) const {
    return index < m_pictures.size() ? m_pictures[index].size : SIZE{};
}

bool PictureSet::draw(HDC dc, const RECT& area, std::size_t index) const {
    if (m_pictures.empty()) {
        return false;
    }
    const Picture& picture = m_pictures[index < m_pictures.size() ? index : 0];
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ previous = SelectObject(source, picture.bitmap);
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    const BOOL drawn =
        AlphaBlend(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, source,
                   0, 0, picture.size.cx, picture.size.cy, blend);
    SelectObject(source, previous);
    DeleteDC(source);
    return drawn != FALSE;
}

}  // namespace qorvex::runtime
