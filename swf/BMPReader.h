// Holds one device-independent bitmap for the SWF writer: read from a BMP file or stream, or taken from a
// bitmap in memory. Rows are kept bottom-up, padded to 4 bytes, in the source's depth: 1, 4 and 8 bits
// with a colour table, 16 bits with their channel masks, 24-bit B,G,R and 32-bit B,G,R,A.
#pragma once

#include "platform/vcl/BmpFormat.h"
#include "platform/win/WinTypes.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vcl {
class TStream;
}

namespace swf {

class TBMPReader {
public:
    // Every failure raises vcl::EInvalidGraphic: bad headers, sizes past the limits, truncated data.
    void LoadFromStream(vcl::TStream* stream);
    void LoadFromFile(const std::string& fileName);
    // Copies a bitmap held in memory: bits hold format.ImageBytes() bytes of bottom-up rows.
    void LoadFromDib(const vcl::TDibFormat& format, const uint8_t* bits);
    // Copies a bitmap given by its handle: a DIB section keeps its depth (and the masks of 16-bit pixels),
    // a device-dependent bitmap is read in the screen's format.
    void LoadFromHandle(win::HBITMAP bitmap);
    void FreeResources();

    // The number of different colours the pixels use. For 1, 4 and 8 bits the used colour-table entries
    // are moved to the front in index order and the pixels renumbered, so the count covers every index.
    int32_t CountColors();

    bool Empty() const { return FBits.empty(); }
    int32_t GetWidth() const { return FFormat.Width; }
    int32_t GetHeight() const { return FFormat.Height; }
    int32_t GetBitCount() const { return FFormat.BitCount; }
    int32_t GetRowCount() const { return FFormat.Height; }
    int32_t GetRowStride() const { return static_cast<int32_t>(FFormat.RowBytes()); }
    // Bytes at the end of each row that hold no pixels.
    int32_t GetRowPadding() const;
    // Row i in memory: row 0 is the bottom row of the picture.
    const uint8_t* GetRow(int32_t i) const { return FBits.data() + size_t(i) * size_t(GetRowStride()); }
    uint8_t* GetRow(int32_t i) { return FBits.data() + size_t(i) * size_t(GetRowStride()); }
    // The colour table as 0x00RRGGBB entries (images of 8 bits or less).
    const std::vector<uint32_t>& GetColors() const { return FFormat.Colors; }
    const vcl::TDibFormat& GetFormat() const { return FFormat; }
    // Widths of the channel bit fields of 16- and 32-bit pixels (0 for other depths).
    uint8_t GetRedBits() const;
    uint8_t GetGreenBits() const;
    uint8_t GetBlueBits() const;

private:
    void Validate(const vcl::TDibFormat& format);
    vcl::TDibFormat FFormat;
    std::vector<uint8_t> FBits;
};

} // namespace swf
