// Reading and writing Windows bitmap (BMP) data. The reader accepts every header version (OS/2 1.x core,
// the Windows info header and its V2 to V5 extensions, OS/2 2.x), 1 to 32 bits per pixel, uncompressed,
// RLE4, RLE8 and bit-field pixels, stored bottom-up or top-down, and decodes into the memory layout of a
// device-independent bitmap: rows bottom-up, each padded to 4 bytes, plus a colour table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vcl {

class TStream;

// Decoded images larger than this many pixels are refused before any memory is asked for.
constexpr int64_t BmpMaxPixels = int64_t(1) << 28;
// Decoded pixel data larger than this many bytes is refused as well (a wide 32-bit image, say); the
// picture reading budget (ImageBudget.h) may refuse it earlier.
constexpr int64_t BmpMaxImageBytes = int64_t(1) << 30;

// Run-length data fills at most this many pixels a byte: a run codes 255 pixels in two bytes, and the
// codes that skip pixels (end of line, delta, end of bitmap) leave only part of a picture blank.
constexpr int64_t BmpRlePixelsPerByte = 1024;
// True when dataBytes of run-length data can fill a picture of width x height pixels: at most
// BmpRlePixelsPerByte pixels a byte, or 64K pixels whatever the data. Every BMP reader of the system (this
// one, the imaging library's and the SWF writer's through it) asks this before it allocates a run-length
// picture, so that a few bytes holding an end-of-bitmap code never cost a picture of gigabytes.
bool BmpRleDataCanFill(int64_t width, int64_t height, int64_t dataBytes);

// The layout of a decoded image. Pixels are kept in their stored depth where a bitmap can hold them:
// 1, 4 and 8 bits with a colour table, 16 bits as 5-5-5 or 5-6-5, 24 bits as B,G,R and 32 bits as B,G,R,X
// (or B,G,R,A when HasAlpha). Other bit-field layouts are converted to 32 bits.
struct TDibFormat {
    int32_t Width = 0;
    int32_t Height = 0; // always positive: rows are stored bottom-up
    uint16_t BitCount = 0;
    // Channel masks of 16- and 32-bit pixels (0x7C00/0x3E0/0x1F, 0xF800/0x7E0/0x1F or 0xFF0000/0xFF00/0xFF).
    uint32_t RedMask = 0;
    uint32_t GreenMask = 0;
    uint32_t BlueMask = 0;
    // True when the fourth byte of 32-bit pixels carries meaningful alpha.
    bool HasAlpha = false;
    // The colour table of images of 8 bits or less, each entry 0x00RRGGBB (stored B, G, R, 0).
    std::vector<uint32_t> Colors;
    int32_t XPelsPerMeter = 0;
    int32_t YPelsPerMeter = 0;

    int64_t RowBytes() const { return ((int64_t(Width) * BitCount + 31) / 32) * 4; }
    int64_t ImageBytes() const { return RowBytes() * Height; }
};

// A decoded image: its layout and its bottom-up pixel rows.
struct TDibImage {
    TDibFormat Format;
    std::vector<uint8_t> Bits;

    // Row y counted from the top of the picture.
    uint8_t* TopRow(int32_t y) {
        return Bits.data() + size_t(Format.Height - 1 - y) * size_t(Format.RowBytes());
    }
    const uint8_t* TopRow(int32_t y) const {
        return Bits.data() + size_t(Format.Height - 1 - y) * size_t(Format.RowBytes());
    }
};

// Parses a BMP held in memory and decodes its pixels in two steps, so that a caller can decode straight
// into memory of its own (a DIB section) once it knows the layout. Every failure raises EInvalidGraphic.
class TBmpReader {
public:
    // A whole BMP file: the 14-byte file header, then the bitmap header, colour table and pixels.
    static TBmpReader FromFile(const uint8_t* data, size_t size);
    // A packed DIB (bitmap header, colour table and pixels, no file header), as on the clipboard and in
    // icon resources; the pixels follow the colour table.
    static TBmpReader FromPackedDib(const uint8_t* data, size_t size);

    const TDibFormat& Format() const { return FFormat; }
    // Fills dest (Format().ImageBytes() bytes) with the bottom-up rows. Callers that keep the pixels should
    // then ask DibAlphaUsed, as Decode() does.
    void Decode(uint8_t* dest) const;
    TDibImage Decode() const;
    // Where the image's data ends, counted from the start of the buffer.
    size_t DataEnd() const { return FPixelOffset + FPixelBytes; }

private:
    enum class TPixelCoding { Plain, Rle8, Rle4, Fields16, Fields32 };
    void Parse(size_t headerStart, bool haveFileHeader, uint32_t offBits);
    void DecodePlain(uint8_t* dest) const;
    void DecodeRle(uint8_t* dest) const;
    void DecodeFields(uint8_t* dest) const;

    const uint8_t* FData = nullptr;
    size_t FSize = 0;
    size_t FPixelOffset = 0;
    size_t FPixelBytes = 0;
    bool FTopDown = false;
    uint16_t FStoredBits = 0;
    TPixelCoding FCoding = TPixelCoding::Plain;
    uint32_t FMasks[4] = {0, 0, 0, 0}; // red, green, blue, alpha of stored bit-field pixels
    TDibFormat FFormat;
};

// False when a format with alpha has every alpha byte 0: writers that fill the alpha mask but not the
// alpha mean an opaque picture, and it is shown as one.
bool DibAlphaUsed(const TDibFormat& format, const uint8_t* bits);

// Reads one BMP file from the stream's position and leaves the position after it.
TDibImage ReadBmp(TStream* stream);
// Reads the header of a BMP file from the stream's position; the pixels are not decoded. The reader
// points into storage, or into the memory of a memory stream, which must outlive it.
TBmpReader ReadBmpHeader(TStream* stream, std::vector<uint8_t>& storage);

// Writes a BMP file with a 40-byte info header in the image's own depth: a colour table for 8 bits or
// less, bit fields for 5-6-5 pixels. 32-bit images with alpha get a 108-byte header with an alpha mask so
// that the alpha is kept.
void WriteBmp(TStream* stream, const TDibFormat& format, const uint8_t* bits);
// The same data without the file header (a packed DIB).
void WritePackedDib(TStream* stream, const TDibFormat& format, const uint8_t* bits);

// Converts pixels between the layouts of TDibFormat: sourceBits hold the rows of source, destBits receive
// the rows of dest (same width and height). Colours are matched to dest's colour table by the nearest
// entry when dest has 8 bits or less.
void ConvertDibPixels(const TDibFormat& source, const uint8_t* sourceBits, const TDibFormat& dest,
                      uint8_t* destBits);
// The colour of pixel x of one row as 0x00RRGGBB, and its alpha (255 unless the format has alpha).
uint32_t DibPixelColor(const TDibFormat& format, const uint8_t* row, int32_t x, uint8_t* alpha = nullptr);
// Stores colour (0x00RRGGBB) at pixel x of one row; indexed formats take the nearest table entry.
void SetDibPixelColor(const TDibFormat& format, uint8_t* row, int32_t x, uint32_t color, uint8_t alpha = 255);
// The index of the colour table entry nearest to color (0x00RRGGBB); 0 for an empty table.
int NearestColorIndex(const std::vector<uint32_t>& colors, uint32_t color);

} // namespace vcl
