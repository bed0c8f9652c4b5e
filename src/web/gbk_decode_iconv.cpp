// The GBK reading over iconv, which the C library carries on Linux.
#include <errno.h>
#include <iconv.h>

#include <cstddef>
#include <cstdint>

#include "web/gbk_text.h"

namespace qorvex::web {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD
// iconv_open reports failure with the handle value -1.
const iconv_t kNoConverter =
    reinterpret_cast<iconv_t>(std::intptr_t{-1});  // NOLINT(performance-no-int-to-ptr)
constexpr std::size_t kConversionFailed = static_cast<std::size_t>(-1);

class Converter {
public:
    Converter() : m_handle(iconv_open("UTF-8", "GBK")) {}
    ~Converter() {
        if (m_handle != kNoConverter) {
            iconv_close(m_handle);
        }
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    iconv_t get() const { return m_handle; }

private:
    iconv_t m_handle;
};

}  // namespace

std::string decode_gbk(std::string_view gbk) {
    Converter converter;
    std::string utf8;
    if (converter.get() == kNoConverter) {
        // Without the converter only ASCII can be read.
        for (const char c : gbk) {
            utf8 += static_cast<unsigned char>(c) < 0x80U ? std::string_view(&c, 1) : kReplacement;
        }
        return utf8;
    }
    // iconv takes a non-const input pointer but never writes through it.
    char* in = const_cast<char*>(gbk.data());
    std::size_t in_left = gbk.size();
    char buffer[1024];
    while (in_left > 0) {
        char* out = buffer;
        std::size_t out_left = sizeof buffer;
        const std::size_t result = iconv(converter.get(), &in, &in_left, &out, &out_left);
        utf8.append(buffer, static_cast<std::size_t>(out - buffer));
        if (result == kConversionFailed && errno != E2BIG) {
            // A byte that starts no character, or a character cut at the
            // end: one replacement character, and on with the next byte.
            utf8 += kReplacement;
            ++in;
            --in_left;
        }
    }
    return utf8;
}

}  // namespace qorvex::web
