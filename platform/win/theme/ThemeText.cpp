#include "platform/win/theme/ThemeText.h"

#include <cstdint>

namespace win {

namespace {

void ThemeTextAppendUtf8(std::string& out, uint32_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

} // namespace

std::string ThemeUtf16ToUtf8(const char16_t* text, int count) {
    std::string out;
    if (!text)
        return out;
    size_t n = 0;
    if (count < 0) {
        while (text[n])
            ++n;
    } else {
        n = size_t(count);
    }
    for (size_t i = 0; i < n; ++i) {
        uint32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < n && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (uint32_t(text[i + 1]) - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c < 0xE000) {
            c = 0xFFFD;
        }
        ThemeTextAppendUtf8(out, c);
    }
    return out;
}

std::u16string ThemeUtf8ToUtf16(const std::string& text) {
    std::u16string out;
    size_t i = 0;
    while (i < text.size()) {
        unsigned char b = static_cast<unsigned char>(text[i]);
        uint32_t c = 0xFFFD;
        size_t len = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
        if (len == 1) {
            c = b;
        } else if (len > 1 && i + len <= text.size()) {
            c = b & (0x7F >> len);
            for (size_t k = 1; k < len; ++k) {
                unsigned char t = static_cast<unsigned char>(text[i + k]);
                if ((t & 0xC0) != 0x80) {
                    c = 0xFFFD;
                    len = k;
                    break;
                }
                c = (c << 6) | (t & 0x3F);
            }
        } else {
            len = 1;
        }
        i += len;
        if (c >= 0x10000 && c <= 0x10FFFF) {
            c -= 0x10000;
            out += char16_t(0xD800 + (c >> 10));
            out += char16_t(0xDC00 + (c & 0x3FF));
        } else {
            out += char16_t(c > 0x10FFFF ? 0xFFFD : c);
        }
    }
    return out;
}

} // namespace win
