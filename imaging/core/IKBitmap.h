// The imaging library's pixel store: one raster image with an optional palette and alpha channel, kept
// in process memory, in a memory-mapped temporary file, or in a GUI bitmap the class library draws on.
// Row 0 is the top row whatever the storage. In mapped storage a row address stays valid only until the
// next ScanLine call on the same bitmap: never hold two rows of one bitmap at a time.
#pragma once

#include "imaging/core/IKDefs.h"
#include "imaging/core/IKHelpers.h"
#include "platform/vcl/Object.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace vcl {
class TBitmap;
class TCanvas;
} // namespace vcl
namespace win {
struct TRect;
}

namespace imaging {

class TIKMemoryMapped;
class TIKMask;
class TIKDibbitmap;

// The pixel format of a TIKBitmap.
enum TIKBitmapFormat : uint8_t {
    ikbfNone = 0,      // no pixels
    ikbf1Bit = 1,      // 8 pixels a byte, pixel 0 in the most significant bit; 1 white, 0 black
    ikbf8Bit = 2,      // one palette index a pixel
    ikbf8BitGray = 3,  // one gray level a pixel, 0 black to 255 white
    ikbf16BitGray = 4, // one little-endian 16-bit gray level a pixel
    ikbf24Bit = 5      // B, G, R
};

// Where a TIKBitmap keeps its rows.
enum TIKBitmapStorage : uint8_t {
    ikbsMemory = 0,     // one heap block, rows bottom-up
    ikbsMappedFile = 1, // a temporary file, rows top-down
    ikbsGuiBitmap = 2   // a class-library TBitmap
};

// Bits per pixel of a format (0 for none or an unknown value).
int32_t IKFormatBits(TIKBitmapFormat format);

// Images whose rows are longer than this are refused (their row length must fit a 32-bit integer).
constexpr int64_t IKMaxRowLength = INT32_MAX;

// The abstract root of the library's row-addressable bitmaps.
class TIKBaseBitmap : public vcl::TObject {
public:
    virtual uint8_t* ScanLine(int32_t row) = 0;
    virtual int32_t BitsPerPixel() const = 0;
    virtual int32_t Height() const = 0;
    virtual int32_t Width() const = 0;
    virtual TIKBitmapFormat PixelFormat() const = 0;
    virtual int32_t RowLength() const = 0;
    virtual void Allocate(int32_t width, int32_t height, TIKBitmapFormat format) = 0;
    virtual void Assign(vcl::TObject* source) = 0;
};

class TIKBitmap : public TIKBaseBitmap {
public:
    TIKBitmap();
    ~TIKBitmap() override;

    // An alpha channel: 8-bit gray, filled with 255 (fully opaque, Full). GUI storage becomes memory.
    static std::unique_ptr<TIKBitmap> CreateAlpha(int32_t width, int32_t height, TIKBitmapStorage storage);

    // Frees pixels, palette and alpha channel; the pixel format and storage kind keep their values.
    void FreeImage();

    // Raises vcl::ERangeError for a row outside the image.
    uint8_t* ScanLine(int32_t row) override;
    int32_t BitsPerPixel() const override { return FBitsPerPixel; }
    int32_t Height() const override { return FHeight; }
    int32_t Width() const override { return FWidth; }
    TIKBitmapFormat PixelFormat() const override { return FPixelFormat; }
    int32_t RowLength() const override { return FRowLength; }
    // A new image of that size and format. The pixels start zeroed; the alpha channel is removed. Raises
    // vcl::EOutOfMemory when the image cannot be stored. An image of the same size and format in process
    // memory keeps its block.
    void Allocate(int32_t width, int32_t height, TIKBitmapFormat format) override;
    // The same for a decoder that writes every row: in process memory the pixels are left as they are
    // (old pixels of a kept block, or whatever fresh memory holds) and the decoder clears each row it
    // writes or stops short of with ClearRows (see TIKRowClearer), so that the image ends as a zeroed
    // one would; other storage starts zeroed.
    void AllocateUncleared(int32_t width, int32_t height, TIKBitmapFormat format);
    // Zeroes rows from..to-1 (clipped to the image) of an image in process memory; other storage is left
    // alone (it starts zeroed).
    void ClearRows(int32_t from, int32_t to) noexcept;
    // Copies a TIKBitmap (pixels, palette, alpha channel, Full, bilevel method) or takes the pixels of a
    // class-library TBitmap; other sources are ignored.
    void Assign(vcl::TObject* source) override;
    // As Assign from a TIKBitmap without its alpha channel and bilevel method; Full becomes false.
    void CopyImage(const TIKBitmap* source);
    // Hands everything this bitmap holds to dest, leaving this one empty with its storage kind and bilevel
    // method.
    void MoveContentTo(TIKBitmap* dest);

    // Size and canvas.
    void SetWidth(int32_t width);
    void SetHeight(int32_t height);
    // New size with the old image placed left/centre/right (0, 1, 2) and top/centre/bottom; new areas get
    // fill, those of the alpha channel alphaFill.
    void ResizeCanvas(int32_t newWidth, int32_t newHeight, int32_t fill, int32_t alphaFill,
                      uint8_t horizAlign, uint8_t vertAlign);
    // Moves the inclusive rectangle so that its top-left corner comes to (destX, destY), filling its old
    // place with fill first. Clipped to the image.
    void MoveRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t destX, int32_t destY, int32_t fill);
    // Sets every pixel of the inclusive rectangle (clipped to the image) to value: a bit (non-zero set), an
    // index or level, or for 24 bits a colour with red in the low byte.
    void FillRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t value);
    void Fill(int32_t value);
    // Copies a rectangle into dest (same pixel format), clipped to both images.
    void CopyRegionTo(TIKBitmap* dest, int32_t srcX, int32_t srcY, int32_t width, int32_t height,
                      int32_t destX, int32_t destY);
    void SetStorageKind(TIKBitmapStorage kind);
    // The canvas of the image; moves it into GUI-bitmap storage first.
    vcl::TCanvas* Canvas();
    // Wraps a pf1bit or pf24bit bitmap that stays the caller's.
    void AttachTBitmap(vcl::TBitmap* bitmap, bool freeFirst);

    // Pixel-format conversion in place (IKConvert.cpp). SetPixelFormat does nothing for the current format;
    // ConvertTo converts every row (see there) and drops the alpha channel.
    void SetPixelFormat(TIKBitmapFormat format);
    void ConvertTo(TIKBitmapFormat format);

    // Draws the source rectangle of the image, zoomed to the destination rectangle, into a pf24bit back
    // buffer (IKRender.cpp): blended by transparency (255 opaque) and, with useAlpha, by the alpha channel;
    // resampled with filter when the sizes differ and filter is not rfNone, else by nearest neighbour.
    // destRows may give the buffer's row addresses (top first); clip (inclusive) limits the pixels written;
    // rowIndex and columnIndex may give the source row and column of each destination row and column.
    void RenderToTBitmap(vcl::TBitmap* dest, uint8_t* const* destRows, TResampleFilter filter,
                         int32_t transparency, bool reuseRows, bool useAlpha, int32_t srcX, int32_t srcY,
                         int32_t srcWidth, int32_t srcHeight, int32_t destX, int32_t destY, int32_t destWidth,
                         int32_t destHeight, const win::TRect* clip, const int32_t* rowIndex,
                         const int32_t* columnIndex);

    // Exchange with class-library bitmaps and DIB sections. CopyFromTBitmap takes the pixels of a bitmap in
    // any layout (paletted layouts become format 2, 15 to 32 bits format 5); in GUI storage the wrapped
    // bitmap becomes a copy. CopyToTBitmap writes the image into a bitmap (16-bit gray as 8-bit).
    void CopyFromTBitmap(vcl::TBitmap* bitmap);
    void CopyToTBitmap(vcl::TBitmap* bitmap);
    // The first count entries of bitmap's colour table into the palette.
    void ReadTBitmapPalette(vcl::TBitmap* bitmap, int32_t count);
    void AssignDibbitmap(TIKDibbitmap* dib);

    // Alpha channel.
    TIKBitmap* GetAlphaChannel();
    bool HasAlphaChannel() const { return FAlphaChannel != nullptr; }
    void RemoveAlphaChannel();

    // Exchange with masks. AssignMask makes this bitmap (normally an alpha channel) a copy of a 1- or 8-bit
    // mask, or fills it with 255 for none; CopyToMask copies a 1-bit or 8-bit gray image into a mask.
    void AssignMask(const TIKMask* mask);
    void CopyToMask(TIKMask* mask);

    // Pixels and palette.
    TIKColorTriple PixelColor(int32_t x, int32_t y);
    // Black for an index outside the palette.
    TIKColorTriple PaletteEntry(int32_t index) const {
        return index >= 0 && index < FPaletteCount ? FPalette[size_t(index)] : TIKColorTriple{};
    }
    TIKColorTriple* Palette() { return FPalette.get(); }
    int32_t PaletteCount() const { return FPaletteCount; }
    void UpdateTBitmapPalette();

    // State.
    TIKBitmapStorage GetStorage() const { return FStorage; }
    bool GetFull() const { return FFull; }
    void SetFull(bool value) { FFull = value; }
    bool GetIsAlphaChannel() const { return FIsAlphaChannel; }
    bool GetAttached() const { return FAttached; }
    void SetAttached(bool value) { FAttached = value; }
    vcl::TBitmap* GetTBitmap() const { return FGuiBitmap; }
    uint32_t GetMemoryThreshold() const { return FMemoryThreshold; }
    void SetMemoryThreshold(uint32_t value) { FMemoryThreshold = value; }
    uint8_t GetBilevelMethod() const { return FBilevelMethod; }
    void SetBilevelMethod(uint8_t value) { FBilevelMethod = value; }
    TIKMemoryMapped* GetMapping() const { return FMapping.get(); }

    // Half the available physical memory, 32 MiB when unknown, at most 4 GiB - 1: the default threshold.
    static uint32_t DefaultMemoryThreshold();

private:
    struct FreeDeleter {
        void operator()(uint8_t* p) const;
    };
    void ReleaseStorage(bool keepGuiBitmap);
    void AllocateStorage(int32_t width, int32_t height, TIKBitmapFormat format, bool clear);
    void SetupStorage(bool clear);
    void CopyPixelsFrom(TIKBitmap* source);
    void AssignBitmap(const TIKBitmap* source, bool withAlpha);
    void ChangeDimension(int32_t width, int32_t height, bool horizontal);
    void ReleaseView();
    // GUI-bitmap storage (IKBitmapGui.cpp).
    void GuiSetup();
    void GuiRebuildRowTable();
    void GuiRelease(bool keepBitmap);
    void GuiResize(int32_t width, int32_t height);

    std::unique_ptr<TIKMemoryMapped> FMapping;
    int32_t FWidth = 0;
    int32_t FHeight = 0;
    int32_t FBitsPerPixel = 0;
    uint8_t* FCurrentView = nullptr; // the mapped window of the last ScanLine
    uint64_t FViewOffset = 0;
    uint64_t FViewLength = 0;
    int32_t FRowLength = 0;
    TIKBitmapFormat FPixelFormat = ikbfNone;
    std::unique_ptr<TIKColorTriple[]> FPalette;
    int32_t FPaletteCount = 0;
    std::unique_ptr<TIKBitmap> FAlphaChannel;
    bool FIsAlphaChannel = false;
    std::unique_ptr<uint8_t, FreeDeleter> FMemory;
    vcl::TBitmap* FGuiBitmap = nullptr;
    std::vector<uint8_t*> FRowTable;
    TIKBitmapStorage FStorage = ikbsMappedFile;
    bool FFull = false;
    bool FAttached = false;
    uint32_t FMemoryThreshold = 0;
    uint8_t FBilevelMethod = 1;
};

// For a decoder that writes the rows of a bitmap from AllocateUncleared in order: Reach(y) clears the
// rows up to y before the decoder writes row y, and Finish (or the clearer's end) clears the rows it never
// reached, so that the bitmap holds what a zeroed one would. A clearer of no bitmap does nothing.
class TIKRowClearer {
public:
    explicit TIKRowClearer(TIKBitmap* bitmap) : FBitmap(bitmap) {}
    ~TIKRowClearer() { Finish(); }
    TIKRowClearer(const TIKRowClearer&) = delete;
    TIKRowClearer& operator=(const TIKRowClearer&) = delete;

    void Reach(int32_t y) noexcept {
        if (FBitmap && y >= FNext) {
            FBitmap->ClearRows(FNext, y + 1);
            FNext = y + 1;
        }
    }
    void Finish() noexcept {
        if (FBitmap)
            FBitmap->ClearRows(FNext, FBitmap->Height());
        FBitmap = nullptr;
    }

private:
    TIKBitmap* FBitmap;
    int32_t FNext = 0;
};

} // namespace imaging
