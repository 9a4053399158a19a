#include "imaging/core/IKWorkBitmaps.h"

#include "platform/vcl/Exceptions.h"
#include "platform/win/gdi/Gdi.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace imaging {

namespace {

win::BITMAPINFOHEADER& WorkHeader(std::vector<uint8_t>& info) {
    return *reinterpret_cast<win::BITMAPINFOHEADER*>(info.data());
}

} // namespace

TIKDibbitmap::TIKDibbitmap() : FInfo(sizeof(win::BITMAPINFOHEADER) + 2 * sizeof(win::RGBQUAD), 0) {
    win::BITMAPINFOHEADER& h = WorkHeader(FInfo);
    h.biSize = sizeof(win::BITMAPINFOHEADER);
    h.biPlanes = 1;
    h.biCompression = win::BI_RGB;
    auto* colors = reinterpret_cast<win::RGBQUAD*>(FInfo.data() + sizeof(win::BITMAPINFOHEADER));
    colors[0] = {0, 0, 0, 0};
    colors[1] = {255, 255, 255, 0};
}

TIKDibbitmap::~TIKDibbitmap() {
    FreeBits();
}

uint8_t* TIKDibbitmap::ScanLine(int32_t row) {
    if (row < 0 || row >= FHeight)
        throw vcl::ERangeError("Scan line index out of range");
    return FBits + size_t(FHeight - 1 - row) * size_t(FRowLength);
}

TIKBitmapFormat TIKDibbitmap::PixelFormat() const {
    return FBitCount == 1 ? ikbf1Bit : FBitCount == 24 ? ikbf24Bit : ikbfNone;
}

const win::BITMAPINFO* TIKDibbitmap::GetBitmapInfo() const {
    return reinterpret_cast<const win::BITMAPINFO*>(FInfo.data());
}

void TIKDibbitmap::AllocateBits(int32_t width, int32_t height, int32_t bitCount) {
    if (width <= 0 || height <= 0 || (bitCount != 1 && bitCount != 24))
        return;
    const int64_t rowLength = IKRowLength(width, bitCount);
    if (rowLength > IKMaxRowLength)
        throw vcl::EOutOfMemory("Image too large");
    FreeBits();
    win::BITMAPINFOHEADER& h = WorkHeader(FInfo);
    h.biWidth = width;
    h.biHeight = height;
    h.biBitCount = win::WORD(bitCount);
    h.biSizeImage = win::DWORD(std::min<int64_t>(rowLength * height, UINT32_MAX));
    FDC = win::CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    FSection =
        FDC ? win::CreateDIBSection(FDC, GetBitmapInfo(), win::DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
    if (!FSection || !bits) {
        FreeBits();
        throw vcl::EOutOfResources("Out of system resources");
    }
    FOldBitmap = win::SelectObject(FDC, FSection);
    FWidth = width;
    FHeight = height;
    FBitCount = bitCount;
    FRowLength = int32_t(rowLength);
    FBits = static_cast<uint8_t*>(bits);
}

void TIKDibbitmap::FreeBits() {
    if (FDC && FOldBitmap)
        win::SelectObject(FDC, FOldBitmap);
    if (FSection)
        win::DeleteObject(FSection);
    if (FDC)
        win::DeleteDC(FDC);
    FDC = nullptr;
    FSection = nullptr;
    FOldBitmap = nullptr;
    FBits = nullptr;
    FWidth = FHeight = FBitCount = FRowLength = 0;
}

void TIKDibbitmap::Allocate(int32_t width, int32_t height, TIKBitmapFormat format) {
    if (format == ikbf1Bit)
        AllocateBits(width, height, 1);
    else if (format == ikbf24Bit)
        AllocateBits(width, height, 24);
}

void TIKDibbitmap::Assign(vcl::TObject* source) {
    auto* dib = dynamic_cast<TIKDibbitmap*>(source);
    if (!dib || dib == this)
        return;
    if (dib->FBitCount == 0) {
        FreeBits();
        return;
    }
    AllocateBits(dib->FWidth, dib->FHeight, dib->FBitCount);
    std::memcpy(FBits, dib->FBits, size_t(FRowLength) * size_t(FHeight));
}

TIKWorkBitmap::TIKWorkBitmap(int32_t width, int32_t height, int32_t bitsPerPixel) {
    if (width > 0 && height > 0)
        Allocate(width, height, bitsPerPixel);
}

void TIKWorkBitmap::Allocate(int32_t width, int32_t height, int32_t bitsPerPixel) {
    if (width == FWidth && height == FHeight && bitsPerPixel == FBitsPerPixel)
        return;
    Free();
    width = std::max(width, 0);
    height = std::max(height, 0);
    bitsPerPixel = std::max(bitsPerPixel, 0);
    const int64_t rowLength = IKRowLength(width, bitsPerPixel);
    if (rowLength > IKMaxRowLength)
        throw vcl::EOutOfMemory("Image too large");
    try {
        FData.assign(size_t(rowLength) * size_t(height), 0);
    } catch (const std::bad_alloc&) {
        throw vcl::EOutOfMemory("Out of memory");
    }
    FWidth = width;
    FHeight = height;
    FBitsPerPixel = bitsPerPixel;
    FRowLength = int32_t(rowLength);
}

uint8_t* TIKWorkBitmap::ScanLine(int32_t row) {
    if (row < 0 || row >= FHeight)
        throw vcl::ERangeError("Scan line index out of range");
    return FData.data() + size_t(FHeight - 1 - row) * size_t(FRowLength);
}

void TIKWorkBitmap::Free() {
    FData.clear();
    FData.shrink_to_fit();
    FWidth = FHeight = FBitsPerPixel = FRowLength = 0;
}

struct TIKDrawDibContext {
    int32_t Draws = 0;
};

TIKDrawDibContext* IKDrawDibOpen() {
    return new TIKDrawDibContext();
}

void IKDrawDibClose(TIKDrawDibContext* context) {
    delete context;
}

bool IKDrawDibDraw(TIKDrawDibContext* context, win::HDC dc, int32_t destX, int32_t destY, int32_t destWidth,
                   int32_t destHeight, const win::BITMAPINFOHEADER* header, const void* bits, int32_t srcX,
                   int32_t srcY, int32_t srcWidth, int32_t srcHeight, uint32_t flags) {
    if (!context || !dc || !header || !bits)
        return false;
    const int32_t imageWidth = header->biWidth, imageHeight = std::abs(header->biHeight);
    if (srcWidth == -1)
        srcWidth = imageWidth;
    if (srcHeight == -1)
        srcHeight = imageHeight;
    if (destWidth == -1)
        destWidth = srcWidth;
    if (destHeight == -1)
        destHeight = srcHeight;
    if (srcWidth <= 0 || srcHeight <= 0 || destWidth <= 0 || destHeight <= 0)
        return false;
    // The platform counts source rows of a bottom-up bitmap from its bottom.
    const int32_t ySrc = header->biHeight > 0 ? imageHeight - srcY - srcHeight : srcY;
    ++context->Draws;
    return win::StretchDIBits(dc, destX, destY, destWidth, destHeight, srcX, ySrc, srcWidth, srcHeight, bits,
                              reinterpret_cast<const win::BITMAPINFO*>(header), win::DIB_RGB_COLORS,
                              win::SRCCOPY) > 0;
}

uint32_t IKDrawDibRealize(TIKDrawDibContext* context, win::HDC dc, bool background) {
    return 0;
}

} // namespace imaging
