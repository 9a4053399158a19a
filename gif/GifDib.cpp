#include "gif/GifDib.h"

#include "gif/GifStreamUtils.h"
#include "gif/GifTypes.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Streams.h"
#include "platform/win/gdi/Gdi.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace gif {

namespace {

// The largest pixel block a writer asks for.
constexpr int64_t GifDibMaxBytes = int64_t(1) << 30;

int32_t BitsOf(vcl::TPixelFormat format) {
    return format == vcl::pf8bit ? 8 : 24;
}

void PutLE32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = uint8_t(v >> (8 * i));
}

} // namespace

TDIBReader::TDIBReader(vcl::TBitmap* bitmap, vcl::TPixelFormat pixelFormat) : TDIB(bitmap, pixelFormat) {
    FBitmap->SetPixelFormat(pixelFormat);
}

uint8_t* TDIBReader::RowPointer(int32_t row) {
    return static_cast<uint8_t*>(FBitmap->ScanLine(row));
}

TDIBWriter::TDIBWriter(vcl::TBitmap* bitmap, vcl::TPixelFormat pixelFormat, int32_t width, int32_t height,
                       win::HPALETTE palette)
    : TDIB(bitmap, pixelFormat), FWidth(width), FHeight(height), FPalette(palette) {
    if (pixelFormat != vcl::pf8bit && pixelFormat != vcl::pf24bit)
        RaiseGifError("Unsupported PixelFormat");
    if (width == 0 || height == 0)
        RaiseGifError("Invalid image dimensions");
    if (width < 0)
        RaiseGifError("Invalid image dimensions");
}

TDIBWriter::~TDIBWriter() {
    try {
        Flush();
    } catch (...) {
        // A destructor cannot report; the bitmap keeps what it had.
    }
}

void TDIBWriter::MakeBlocks() {
    FHeader.clear();
    FPixels.clear();
    FHasPixels = false;
    int32_t bits = BitsOf(FPixelFormat);
    FRowBytes = AlignedRowBytes(FWidth, bits, 32);
    int64_t rows = FHeight < 0 ? -int64_t(FHeight) : int64_t(FHeight);
    int64_t bytes = FRowBytes * rows;
    try {
        FHeader.assign(bits == 8 ? 40 + 256 * 4 : 40, 0);
        uint8_t* h = FHeader.data();
        PutLE32(h, 40);
        PutLE32(h + 4, uint32_t(FWidth));
        PutLE32(h + 8, uint32_t(FHeight));
        PutLE16(h + 12, 1);
        PutLE16(h + 14, uint16_t(bits));
        if (bits == 8) {
            win::PALETTEENTRY entries[256] = {};
            win::UINT count = FPalette ? win::GetPaletteEntries(FPalette, 0, 256, entries) : 0;
            count = std::min<win::UINT>(count, 256);
            uint8_t* table = h + 40;
            for (win::UINT i = 0; i < count; ++i) {
                table[i * 4] = entries[i].peBlue;
                table[i * 4 + 1] = entries[i].peGreen;
                table[i * 4 + 2] = entries[i].peRed;
            }
            PutLE32(h + 32, 256);   // colours used
            PutLE32(h + 36, count); // colours important
        }
        if (bytes <= 0 || bytes > GifDibMaxBytes)
            throw std::bad_alloc();
        FPixels.assign(size_t(bytes), 0);
    } catch (const std::bad_alloc&) {
        FHeader.clear();
        FPixels.clear();
        throw vcl::EOutOfMemory("Failed to allocate memory for GIF DIB");
    }
    FHasPixels = true;
}

uint8_t* TDIBWriter::RowPointer(int32_t row) {
    if (!FHasPixels)
        MakeBlocks();
    if (!FHasPixels)
        RaiseGifError("Image has no DIB");
    int64_t rows = FHeight < 0 ? -int64_t(FHeight) : int64_t(FHeight);
    if (row < 0 || row >= rows)
        throw vcl::EInvalidGraphicOperation("Scan line index out of range");
    win::GdiFlush();
    // Rows are stored bottom-up for a positive height, top-down for a negative one.
    int64_t stored = FHeight > 0 ? rows - 1 - row : row;
    return FPixels.data() + stored * FRowBytes;
}

void TDIBWriter::Flush() {
    if (!FHasPixels)
        return;
    // An in-memory BMP file: file header, the header block, the pixel block.
    int64_t total = 14 + int64_t(FHeader.size()) + int64_t(FPixels.size());
    vcl::TMemoryStream file;
    uint8_t fileHeader[14] = {'B', 'M'};
    PutLE32(fileHeader + 2, uint32_t(total));
    PutLE32(fileHeader + 10, uint32_t(14 + FHeader.size()));
    file.WriteBuffer(fileHeader, sizeof fileHeader);
    file.WriteBuffer(FHeader.data(), int32_t(FHeader.size()));
    file.WriteBuffer(FPixels.data(), int32_t(FPixels.size()));
    FHeader.clear();
    FPixels.clear();
    FHasPixels = false;
    file.SetPosition(0);
    FBitmap->LoadFromStream(&file);
}

} // namespace gif
