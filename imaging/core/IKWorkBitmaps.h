// Pixel buffers beside TIKBitmap: a DIB section selected into its own memory device context (GDI can draw
// into it while its rows stay addressable), a plain heap buffer of rows for intermediate results, and the
// blit of device-independent bitmap memory to a device context through which the views paint.
#pragma once

#include "imaging/core/IKBitmap.h"
#include "platform/win/WinTypes.h"

#include <cstdint>
#include <vector>

namespace win {
struct BITMAPINFO;
struct BITMAPINFOHEADER;
} // namespace win

namespace imaging {

// A one-bit or 24-bit DIB section with its memory device context; rows bottom-up.
class TIKDibbitmap : public TIKBaseBitmap {
public:
    TIKDibbitmap();
    ~TIKDibbitmap() override;

    // Nothing when width or height is not positive or bitCount is neither 1 nor 24. Raises
    // vcl::EOutOfResources when the section cannot be made.
    void AllocateBits(int32_t width, int32_t height, int32_t bitCount);
    void FreeBits();

    // Raises vcl::ERangeError for a row outside the bitmap.
    uint8_t* ScanLine(int32_t row) override;
    int32_t BitsPerPixel() const override { return FBitCount; }
    int32_t Height() const override { return FHeight; }
    int32_t Width() const override { return FWidth; }
    TIKBitmapFormat PixelFormat() const override;
    int32_t RowLength() const override { return FRowLength; }
    // Format 1 or 5; other formats do nothing.
    void Allocate(int32_t width, int32_t height, TIKBitmapFormat format) override;
    // Copies another TIKDibbitmap; other sources are ignored.
    void Assign(vcl::TObject* source) override;

    win::HDC GetDC() const { return FDC; }
    win::HBITMAP GetSection() const { return FSection; }
    // The header (40 bytes) and its two colour entries, black and white.
    const win::BITMAPINFO* GetBitmapInfo() const;
    uint8_t* GetBits() const { return FBits; }

private:
    int32_t FWidth = 0;
    int32_t FHeight = 0;
    int32_t FBitCount = 0;
    int32_t FRowLength = 0;
    win::HDC FDC = nullptr;
    win::HBITMAP FSection = nullptr;
    win::HGDIOBJ FOldBitmap = nullptr;
    std::vector<uint8_t> FInfo; // BITMAPINFOHEADER and two RGBQUADs
    uint8_t* FBits = nullptr;
};

// A heap buffer of rows, bottom-up, for intermediate results.
class TIKWorkBitmap : public vcl::TObject {
public:
    TIKWorkBitmap() = default;
    TIKWorkBitmap(int32_t width, int32_t height, int32_t bitsPerPixel);

    // Nothing when all three equal the current values (the content stays); else a new zeroed block.
    void Allocate(int32_t width, int32_t height, int32_t bitsPerPixel);
    void Free();
    // Raises vcl::ERangeError for a row outside the bitmap.
    uint8_t* ScanLine(int32_t row);

    int32_t Width() const { return FWidth; }
    int32_t Height() const { return FHeight; }
    int32_t BitsPerPixel() const { return FBitsPerPixel; }
    int32_t RowLength() const { return FRowLength; }
    uint8_t* Bits() { return FData.data(); }

private:
    int32_t FWidth = 0;
    int32_t FHeight = 0;
    int32_t FBitsPerPixel = 0;
    int32_t FRowLength = 0;
    std::vector<uint8_t> FData;
};

// Drawing device-independent bitmap memory onto a device context. A context is opened once per view.
struct TIKDrawDibContext;
TIKDrawDibContext* IKDrawDibOpen();
void IKDrawDibClose(TIKDrawDibContext* context);
// Copies the source rectangle (srcY counted from the top of the image) of the bitmap described by header and
// bits onto the destination rectangle of dc, stretching when the sizes differ. A destination or source
// extent of -1 stands for the bitmap's own. True when something was drawn.
bool IKDrawDibDraw(TIKDrawDibContext* context, win::HDC dc, int32_t destX, int32_t destY, int32_t destWidth,
                   int32_t destHeight, const win::BITMAPINFOHEADER* header, const void* bits, int32_t srcX,
                   int32_t srcY, int32_t srcWidth, int32_t srcHeight, uint32_t flags);
// Selects and realises the context's palette: no visible effect on true-colour targets.
uint32_t IKDrawDibRealize(TIKDrawDibContext* context, win::HDC dc, bool background);

} // namespace imaging
