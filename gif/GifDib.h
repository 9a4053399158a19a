// Row access to platform bitmaps for the GIF module: a reader over an existing bitmap's rows, and a
// writer that assembles an 8-bit or 24-bit device-independent image and hands it to its bitmap when it
// is destroyed.
#pragma once

#include "platform/vcl/Bitmap.h"
#include "platform/win/WinTypes.h"

#include <cstdint>
#include <vector>

namespace gif {

class TDIB {
public:
    TDIB(vcl::TBitmap* bitmap, vcl::TPixelFormat pixelFormat) : FBitmap(bitmap), FPixelFormat(pixelFormat) {}
    virtual ~TDIB() = default;
    TDIB(const TDIB&) = delete;
    TDIB& operator=(const TDIB&) = delete;

    // The bytes of a row, row 0 at the top of the picture.
    virtual uint8_t* RowPointer(int32_t row) = 0;
    vcl::TBitmap* GetBitmap() const { return FBitmap; }
    vcl::TPixelFormat GetPixelFormat() const { return FPixelFormat; }

protected:
    vcl::TBitmap* FBitmap;
    vcl::TPixelFormat FPixelFormat;
};

// Reads the rows of an existing bitmap in the given format; the bitmap is converted in place.
class TDIBReader : public TDIB {
public:
    TDIBReader(vcl::TBitmap* bitmap, vcl::TPixelFormat pixelFormat);
    uint8_t* RowPointer(int32_t row) override;
};

// Builds a new image of 8 bits (with the palette's colours as its colour table) or 24 bits. The bitmap
// receives it when the writer is destroyed, and only when a row was touched.
class TDIBWriter : public TDIB {
public:
    // Raises EGifError "Unsupported PixelFormat" for formats other than 8 and 24 bits and "Invalid image
    // dimensions" for a zero width or height.
    TDIBWriter(vcl::TBitmap* bitmap, vcl::TPixelFormat pixelFormat, int32_t width, int32_t height,
               win::HPALETTE palette);
    ~TDIBWriter() override;

    uint8_t* RowPointer(int32_t row) override;
    int64_t RowBytes() const { return FRowBytes; }
    // The header block: BITMAPINFOHEADER and, for 8 bits, a colour table of 256 entries.
    const std::vector<uint8_t>& HeaderBlock() const { return FHeader; }
    // Hands the image to the bitmap now (what destruction does) and forgets it.
    void Flush();

private:
    void MakeBlocks();
    int32_t FWidth;
    int32_t FHeight;
    win::HPALETTE FPalette;
    int64_t FRowBytes = 0;
    std::vector<uint8_t> FHeader;
    std::vector<uint8_t> FPixels;
    bool FHasPixels = false;
};

} // namespace gif
