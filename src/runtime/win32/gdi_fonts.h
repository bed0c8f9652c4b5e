#pragma once

// The fonts of one window, made once per distinct description and deleted
// with the window.

#include <windows.h>

#include <vector>

#include "runtime/form_description.h"

namespace qorvex::runtime {

class FontCache {
public:
    FontCache() = default;
    ~FontCache();
    FontCache(const FontCache&) = delete;
    FontCache& operator=(const FontCache&) = delete;

    // A pixel height of 0 gives the standard user-interface font; otherwise
    // the character height in pixels, normal weight, in the given face and
    // character set (an empty face lets the system choose one for the set).
    HFONT font(const FontSpec& spec);

private:
    struct Entry {
        FontSpec spec;
        HFONT font = nullptr;
    };
    std::vector<Entry> m_entries;
};

BYTE charset_code(Charset charset);

}  // namespace qorvex::runtime
