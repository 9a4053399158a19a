// Pieces the image readers and writers share: little-endian 16- and 32-bit fields of file headers, copies
// of a TIKBitmap in 24-bit colour or one bit, the two colours of a two-colour image, and the palette of a
// paletted write.
#pragma once

#include "imaging/core/IKHelpers.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace imaging {

class TIKBitmap;

// Little-endian fields: p points at the field's first byte.
constexpr uint16_t IOGetLE16(const uint8_t* p) {
    return uint16_t(p[0] | p[1] << 8);
}
constexpr uint32_t IOGetLE32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
} // A five-bit colour field (0..31) widened to 0..255 by repeating its high bits below it: 31 gives 255.
constexpr uint8_t IOWiden5(uint32_t v) {
    return uint8_t(v << 3 | v >> 2);
}
// Stores the low 16 bits of v.
constexpr void IOPutLE16(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
constexpr void IOPutLE32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

// A 24-bit copy of an image of any format (one bit: set bits white; 16-bit gray: the high byte).
std::unique_ptr<TIKBitmap> IOCopyTo24Bit(TIKBitmap* source);
// A one-bit copy: pixels whose gray level is 128 or more become set (white) bits.
std::unique_ptr<TIKBitmap> IOCopyToOneBit(TIKBitmap* source);
// When the 24-bit image holds exactly two colours: a one-bit image whose clear bits are the darker colour
// (color0) and whose set bits are the other (color1). Null otherwise.
std::unique_ptr<TIKBitmap> IOTwoColorBitmap(TIKBitmap* source24, TIKColorTriple& color0,
                                            TIKColorTriple& color1);
// The entry of the palette closest to the colour (squared distance; the first of equals).
int32_t IONearestIndex(const TIKColorTriple* palette, int32_t count, TIKColorTriple color);

// A palette of maxColors (2 to 256) colours chosen by the library's quantizer for a 24-bit image, and the
// index of each colour: the image's own colours in order of first appearance when there are few enough.
class TIOPalette {
public:
    TIOPalette(TIKBitmap* source24, int32_t maxColors);
    ~TIOPalette();
    // maxColors entries; those the image does not need are black.
    const std::vector<TIKColorTriple>& Colors() const { return FColors; }
    int32_t Index(TIKColorTriple color) const;

private:
    struct TImpl;
    std::vector<TIKColorTriple> FColors;
    std::unique_ptr<TImpl> FImpl;
};

} // namespace imaging
