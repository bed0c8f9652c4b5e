#include "runtime/win32/gdi_fonts.h"

#include <algorithm>

#include "win32/wide_text.h"

namespace qorvex::runtime {

namespace {

LOGFONTW standard_font() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0)) {
        return metrics.lfMessageFont;
    }
    LOGFONTW fallback{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(fallback), &fallback);
    return fallback;
}

LOGFONTW described_font(const FontSpec& spec) {
    LOGFONTW font{};
    // A negative height asks for the character height rather than the cell height.
    font.lfHeight = -spec.pixel_height;
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = charset_code(spec.charset);
    font.lfOutPrecision = OUT_DEFAULT_PRECIS;
    font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    font.lfQuality = DEFAULT_QUALITY;
    font.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    const std::wstring face = win32::to_wide(spec.face);
    const std::size_t length = std::min(face.size(), std::size(font.lfFaceName) - 1);
    std::copy_n(face.begin(), length, font.lfFaceName);
    return font;
}

}  // namespace

BYTE charset_code(Charset charset) {
    switch (charset) {
        case Charset::Gb2312:
            return GB2312_CHARSET;
        case Charset::Ansi:
            return ANSI_CHARSET;
        case Charset::Default:
            return DEFAULT_CHARSET;
    }
    return DEFAULT_CHARSET;
}

FontCache::~FontCache() {
    for (const Entry& entry : m_entries) {
        DeleteObject(entry.font);
    }
}

HFONT FontCache::font(const FontSpec& spec) {
    for (const Entry& entry : m_entries) {
        if (entry.spec.pixel_height == spec.pixel_height && entry.spec.face == spec.face &&
            entry.spec.charset == spec.charset) {
            return entry.font;
        }
    }
    const LOGFONTW description = spec.pixel_height == 0 ? standard_font() : described_font(spec);
    HFONT made = CreateFontIndirectW(&description);
    m_entries.push_back({spec, made});
    return made;
}

}  // namespace qorvex::runtime
