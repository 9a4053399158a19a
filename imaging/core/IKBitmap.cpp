#include "imaging/core/IKBitmap.h"

#include "imaging/core/IKMemoryMapped.h"
#include "imaging/core/IKPixelUtils.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Exceptions.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace imaging {

namespace {

// The window mapped around a row of a mapped bitmap: rows that follow reuse it.
constexpr uint64_t BitmapViewWindow = 1 << 20;
constexpr uint32_t BitmapFallbackThreshold = 32u << 20;

[[noreturn]] void BitmapTooLarge() {
    throw vcl::EOutOfMemory("Image too large");
}

} // namespace

int32_t IKFormatBits(TIKBitmapFormat format) {
    switch (format) {
    case ikbf1Bit:
        return 1;
    case ikbf8Bit:
    case ikbf8BitGray:
        return 8;
    case ikbf16BitGray:
        return 16;
    case ikbf24Bit:
        return 24;
    default:
        return 0;
    }
}

void TIKBitmap::FreeDeleter::operator()(uint8_t* p) const {
    std::free(p);
}

uint32_t TIKBitmap::DefaultMemoryThreshold() {
    uint64_t half = IKAvailablePhysicalMemory() / 2;
    if (half == 0)
        return BitmapFallbackThreshold;
    return uint32_t(std::min<uint64_t>(half, UINT32_MAX));
}

TIKBitmap::TIKBitmap()
    : FMapping(std::make_unique<TIKMemoryMapped>()), FMemoryThreshold(DefaultMemoryThreshold()) {}

TIKBitmap::~TIKBitmap() {
    FreeImage();
}

std::unique_ptr<TIKBitmap> TIKBitmap::CreateAlpha(int32_t width, int32_t height, TIKBitmapStorage storage) {
    auto alpha = std::make_unique<TIKBitmap>();
    alpha->FIsAlphaChannel = true;
    alpha->FStorage = storage == ikbsGuiBitmap ? ikbsMemory : storage;
    alpha->Allocate(width, height, ikbf8BitGray);
    alpha->Fill(255);
    return alpha;
}

void TIKBitmap::ReleaseView() {
    if (FCurrentView)
        FMapping->UnmapView(FCurrentView);
    FCurrentView = nullptr;
    FViewOffset = FViewLength = 0;
}

void TIKBitmap::ReleaseStorage(bool keepGuiBitmap) {
    FAlphaChannel.reset();
    FPalette.reset();
    FPaletteCount = 0;
    ReleaseView();
    FMapping->Close();
    FMemory.reset();
    GuiRelease(keepGuiBitmap);
    FRowTable.clear();
    FWidth = FHeight = FRowLength = FBitsPerPixel = 0;
    FFull = false;
}

void TIKBitmap::FreeImage() {
    ReleaseStorage(false);
    FAttached = false;
}

uint8_t* TIKBitmap::ScanLine(int32_t row) {
    // A row outside the image would address memory that is not the image's.
    if (row < 0 || row >= FHeight || FRowLength <= 0)
        throw vcl::ERangeError("Scan line index out of range");
    switch (FStorage) {
    case ikbsMemory:
        return FMemory.get() + size_t(FHeight - 1 - row) * size_t(FRowLength);
    case ikbsMappedFile: {
        const uint64_t offset = uint64_t(row) * uint64_t(FRowLength);
        if (FCurrentView && offset >= FViewOffset &&
            offset + uint64_t(FRowLength) <= FViewOffset + FViewLength)
            return FCurrentView + (offset - FViewOffset);
        ReleaseView();
        const uint64_t base = offset - offset % TIKMemoryMapped::IKViewGranularity;
        const uint64_t length =
            std::min(FMapping->GetSize() - base,
                     std::max<uint64_t>(offset - base + uint64_t(FRowLength), BitmapViewWindow));
        FCurrentView = FMapping->MapView(base, size_t(length));
        if (!FCurrentView)
            throw vcl::EOutOfMemory("Cannot map an image row of the temporary file");
        FViewOffset = base;
        FViewLength = length;
        return FCurrentView + (offset - base);
    }
    default:
        if (size_t(row) >= FRowTable.size())
            throw vcl::ERangeError("Scan line index out of range");
        return FRowTable[size_t(row)];
    }
}

void TIKBitmap::Allocate(int32_t width, int32_t height, TIKBitmapFormat format) {
    AllocateStorage(width, height, format, true);
}

void TIKBitmap::AllocateUncleared(int32_t width, int32_t height, TIKBitmapFormat format) {
    AllocateStorage(width, height, format, false);
}

void TIKBitmap::AllocateStorage(int32_t width, int32_t height, TIKBitmapFormat format, bool clear) {
    if (format > ikbf24Bit)
        format = ikbfNone;
    width = std::max(width, 0);
    height = std::max(height, 0);
    // A picture of the same size and format in process memory keeps its block: decoding into the same
    // bitmap again does not pay for fresh pages.
    if (FStorage == ikbsMemory && FMemory && !FAttached && width == FWidth && height == FHeight &&
        format == FPixelFormat && uint64_t(FRowLength) * uint64_t(FHeight) <= FMemoryThreshold) {
        FAlphaChannel.reset();
        if (FPalette)
            std::fill_n(FPalette.get(), FPaletteCount, TIKColorTriple{}); // 256 entries, as a new one
        if (clear)
            std::memset(FMemory.get(), 0, size_t(FRowLength) * size_t(FHeight));
        FFull = false;
        return;
    }
    // A wrapped GUI bitmap is reused; everything else of the old image goes, its alpha channel included.
    ReleaseStorage(FAttached);
    FWidth = width;
    FHeight = height;
    FPixelFormat = format;
    SetupStorage(clear);
}

void TIKBitmap::ClearRows(int32_t from, int32_t to) noexcept {
    from = std::max(from, 0);
    to = std::min(to, FHeight);
    // Rows are stored bottom-up: rows from..to-1 are one block.
    if (FStorage != ikbsMemory || !FMemory || from >= to)
        return;
    std::memset(FMemory.get() + size_t(FHeight - to) * size_t(FRowLength), 0,
                size_t(to - from) * size_t(FRowLength));
}

void TIKBitmap::SetupStorage(bool clear) {
    if (FWidth <= 0 || FHeight <= 0 || FPixelFormat == ikbfNone)
        return;
    if (FStorage == ikbsGuiBitmap && FPixelFormat == ikbf16BitGray)
        FPixelFormat = ikbf8BitGray; // GUI bitmaps hold no 16-bit gray
    const int64_t rowLength = IKRowLength(FWidth, IKFormatBits(FPixelFormat));
    if (rowLength > IKMaxRowLength) {
        FWidth = FHeight = 0;
        BitmapTooLarge();
    }
    if (FPixelFormat == ikbf8Bit) {
        FPalette.reset(new TIKColorTriple[256]());
        FPaletteCount = 256;
    }
    FBitsPerPixel = IKFormatBits(FPixelFormat);
    FRowLength = int32_t(rowLength);
    const uint64_t size = uint64_t(rowLength) * uint64_t(FHeight);
    if (FStorage == ikbsMappedFile && size < FMemoryThreshold)
        FStorage = ikbsMemory;
    else if (FStorage == ikbsMemory && size > FMemoryThreshold)
        FStorage = ikbsMappedFile;
    if (FStorage == ikbsMappedFile && !FMapping->CreateFile("", size))
        FStorage = ikbsMemory;
    if (FStorage == ikbsMemory) {
        FMemory.reset(static_cast<uint8_t*>(clear ? std::calloc(size_t(size), 1) : std::malloc(size_t(size))));
        if (!FMemory) {
            ReleaseStorage(false);
            throw vcl::EOutOfMemory("Out of memory");
        }
    }
    if (FStorage == ikbsGuiBitmap)
        GuiSetup();
    FFull = false;
}

void TIKBitmap::CopyPixelsFrom(TIKBitmap* source) {
    if (FRowLength <= 0 || source->FRowLength <= 0)
        return;
    const int32_t rows = std::min(FHeight, source->FHeight);
    const size_t bytes = size_t(std::min(FRowLength, source->FRowLength));
    if (FStorage == ikbsMappedFile && source->FStorage == ikbsMappedFile &&
        FRowLength == source->FRowLength && FHeight == source->FHeight) {
        ReleaseView();
        source->ReleaseView();
        if (source->FMapping->CopyTo(FMapping.get(), 0, uint64_t(FRowLength) * uint64_t(FHeight)))
            return;
    }
    if (source->FPixelFormat == ikbf16BitGray && FPixelFormat == ikbf8BitGray) {
        // Into GUI storage: each 16-bit level keeps its high byte.
        for (int32_t y = 0; y < rows; ++y) {
            const uint8_t* s = source->ScanLine(y);
            uint8_t* d = ScanLine(y);
            for (int32_t x = 0; x < FWidth; ++x)
                d[x] = s[2 * x + 1];
        }
        return;
    }
    for (int32_t y = 0; y < rows; ++y)
        std::memcpy(ScanLine(y), source->ScanLine(y), bytes);
}

void TIKBitmap::AssignBitmap(const TIKBitmap* src, bool withAlpha) {
    if (src == this)
        return;
    TIKBitmap* source = const_cast<TIKBitmap*>(src); // reading rows moves its mapped view
    // Copying an image's own alpha channel into it: the channel must outlive the new allocation.
    std::unique_ptr<TIKBitmap> ownAlpha;
    if (source == FAlphaChannel.get())
        ownAlpha = std::move(FAlphaChannel);
    Allocate(source->FWidth, source->FHeight, source->FPixelFormat);
    CopyPixelsFrom(source);
    FFull = withAlpha && source->FFull;
    if (withAlpha && !FIsAlphaChannel && source->FAlphaChannel)
        GetAlphaChannel()->AssignBitmap(source->FAlphaChannel.get(), true);
    if (FPalette && source->FPalette)
        std::copy_n(source->FPalette.get(), std::min(source->FPaletteCount, FPaletteCount), FPalette.get());
    UpdateTBitmapPalette();
}

void TIKBitmap::Assign(vcl::TObject* source) {
    if (auto* bitmap = dynamic_cast<TIKBitmap*>(source)) {
        const uint8_t bilevelMethod = bitmap->FBilevelMethod; // bitmap may be this image's alpha channel
        AssignBitmap(bitmap, true);
        FBilevelMethod = bilevelMethod;
    } else if (auto* picture = dynamic_cast<vcl::TBitmap*>(source)) {
        CopyFromTBitmap(picture);
    }
}

void TIKBitmap::CopyImage(const TIKBitmap* source) {
    if (source)
        AssignBitmap(source, false);
}

void TIKBitmap::MoveContentTo(TIKBitmap* dest) {
    if (!dest || dest == this || dest == FAlphaChannel.get())
        return;
    ReleaseView();
    dest->FreeImage();
    dest->FMapping = std::move(FMapping);
    FMapping = std::make_unique<TIKMemoryMapped>();
    dest->FWidth = std::exchange(FWidth, 0);
    dest->FHeight = std::exchange(FHeight, 0);
    dest->FBitsPerPixel = std::exchange(FBitsPerPixel, 0);
    dest->FRowLength = std::exchange(FRowLength, 0);
    dest->FPixelFormat = std::exchange(FPixelFormat, ikbfNone);
    dest->FPalette = std::move(FPalette);
    dest->FPaletteCount = std::exchange(FPaletteCount, 0);
    dest->FAlphaChannel = std::move(FAlphaChannel);
    dest->FIsAlphaChannel = std::exchange(FIsAlphaChannel, false);
    dest->FMemory = std::move(FMemory);
    dest->FGuiBitmap = std::exchange(FGuiBitmap, nullptr);
    dest->FRowTable = std::move(FRowTable);
    FRowTable.clear();
    dest->FStorage = FStorage;
    dest->FFull = std::exchange(FFull, false);
    dest->FAttached = std::exchange(FAttached, false);
    dest->FBilevelMethod = FBilevelMethod;
    dest->FMemoryThreshold = FMemoryThreshold;
}

void TIKBitmap::ChangeDimension(int32_t width, int32_t height, bool horizontal) {
    if (FStorage == ikbsGuiBitmap) {
        GuiResize(width, height);
        return;
    }
    if (FPixelFormat == ikbfNone || (horizontal ? FHeight : FWidth) <= 0) {
        FWidth = std::max(width, 0);
        FHeight = std::max(height, 0);
        return;
    }
    TIKBitmap old;
    old.FMemoryThreshold = FMemoryThreshold;
    MoveContentTo(&old);
    FIsAlphaChannel = old.FIsAlphaChannel;
    FAttached = false;
    Allocate(width, height, old.FPixelFormat);
    CopyPixelsFrom(&old);
    // The palette stays with the pixels.
    if (FPalette && old.FPalette)
        std::copy_n(old.FPalette.get(), std::min(old.FPaletteCount, FPaletteCount), FPalette.get());
    // The alpha channel was resized before the move.
    FAlphaChannel = std::move(old.FAlphaChannel);
    FFull = false;
}

void TIKBitmap::SetWidth(int32_t width) {
    if (width == FWidth)
        return;
    if (FAlphaChannel)
        FAlphaChannel->SetWidth(width);
    ChangeDimension(width, FHeight, true);
}

void TIKBitmap::SetHeight(int32_t height) {
    if (height == FHeight)
        return;
    if (FAlphaChannel)
        FAlphaChannel->SetHeight(height);
    ChangeDimension(FWidth, height, false);
}

void TIKBitmap::ResizeCanvas(int32_t newWidth, int32_t newHeight, int32_t fill, int32_t alphaFill,
                             uint8_t horizAlign, uint8_t vertAlign) {
    const int32_t w = FWidth, h = FHeight;
    auto forBoth = [&](auto&& op) {
        op(this, fill);
        if (FAlphaChannel)
            op(FAlphaChannel.get(), alphaFill);
    };
    if (newWidth < w) {
        int32_t x = horizAlign == 1 ? (w - newWidth) / 2 : horizAlign == 2 ? w - newWidth : 0;
        if (x > 0)
            forBoth([&](TIKBitmap* b, int32_t f) { b->MoveRect(x, 0, x + newWidth - 1, h - 1, 0, 0, f); });
    }
    if (newHeight < h) {
        int32_t y = vertAlign == 1 ? (h - newHeight) / 2 : vertAlign == 2 ? h - newHeight : 0;
        if (y > 0)
            forBoth([&](TIKBitmap* b, int32_t f) { b->MoveRect(0, y, w - 1, y + newHeight - 1, 0, 0, f); });
    }
    SetWidth(newWidth);
    SetHeight(newHeight);
    if (w < newWidth) {
        int32_t x = horizAlign == 1 ? (newWidth - w) / 2 : horizAlign == 2 ? newWidth - w : 0;
        forBoth([&](TIKBitmap* b, int32_t f) {
            b->FillRect(w, 0, newWidth - 1, newHeight - 1, f);
            if (x > 0)
                b->MoveRect(0, 0, w - 1, h - 1, x, 0, f);
        });
    }
    if (h < newHeight) {
        int32_t y = vertAlign == 1 ? (newHeight - h) / 2 : vertAlign == 2 ? newHeight - h : 0;
        forBoth([&](TIKBitmap* b, int32_t f) {
            b->FillRect(0, h, newWidth - 1, newHeight - 1, f);
            if (y > 0)
                b->MoveRect(0, 0, newWidth - 1, h - 1, 0, y, f);
        });
    }
}

void TIKBitmap::MoveRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t destX, int32_t destY,
                         int32_t fill) {
    if (FRowLength <= 0)
        return;
    // The part of the rectangle inside the image moves; its destination shifts with any clipped edge.
    int32_t cx1 = std::max(x1, 0), cy1 = std::max(y1, 0);
    int32_t cx2 = std::min(x2, FWidth - 1), cy2 = std::min(y2, FHeight - 1);
    if (cx2 < cx1 || cy2 < cy1)
        return;
    int64_t dx = int64_t(destX) + (cx1 - x1), dy = int64_t(destY) + (cy1 - y1);
    TIKBitmap temp;
    temp.Allocate(cx2 - cx1 + 1, cy2 - cy1 + 1, FPixelFormat);
    CopyRegionTo(&temp, cx1, cy1, temp.FWidth, temp.FHeight, 0, 0);
    FillRect(cx1, cy1, cx2, cy2, fill);
    if (dx > INT32_MAX || dy > INT32_MAX)
        return;
    temp.CopyRegionTo(this, 0, 0, temp.FWidth, temp.FHeight, int32_t(dx), int32_t(dy));
}

void TIKBitmap::FillRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t value) {
    if (FRowLength <= 0)
        return;
    x1 = std::max(x1, 0);
    y1 = std::max(y1, 0);
    x2 = std::min(x2, FWidth - 1);
    y2 = std::min(y2, FHeight - 1);
    if (x2 < x1 || y2 < y1)
        return;
    const TIKColorTriple color = FPixelFormat == ikbf24Bit ? IKColorToTriple(value) : TIKColorTriple{};
    for (int32_t y = y1; y <= y2; ++y) {
        uint8_t* row = ScanLine(y);
        switch (FPixelFormat) {
        case ikbf1Bit:
            for (int32_t x = x1; x <= x2; ++x)
                IKPutBit(row, x, value != 0);
            break;
        case ikbf8Bit:
        case ikbf8BitGray:
            std::memset(row + x1, uint8_t(value), size_t(x2 - x1 + 1));
            break;
        case ikbf16BitGray:
            for (int32_t x = x1; x <= x2; ++x) {
                row[2 * x] = uint8_t(value);
                row[2 * x + 1] = uint8_t(value >> 8);
            }
            break;
        case ikbf24Bit:
            for (int32_t x = x1; x <= x2; ++x)
                std::memcpy(row + 3 * size_t(x), &color, 3);
            break;
        default:
            break;
        }
    }
}

void TIKBitmap::Fill(int32_t value) {
    if (FPixelFormat == ikbfNone)
        return;
    const TIKColorTriple color = FPixelFormat == ikbf24Bit ? IKColorToTriple(value) : TIKColorTriple{};
    for (int32_t y = 0; y < FHeight && FRowLength > 0; ++y) {
        uint8_t* row = ScanLine(y);
        switch (FPixelFormat) {
        case ikbf1Bit:
            std::memset(row, value > 0 ? 255 : uint8_t(value), size_t(FRowLength));
            break;
        case ikbf8Bit:
        case ikbf8BitGray:
            std::memset(row, uint8_t(value), size_t(FRowLength));
            break;
        case ikbf16BitGray:
            for (int32_t x = 0; x < FWidth; ++x) {
                row[2 * x] = uint8_t(value);
                row[2 * x + 1] = uint8_t(value >> 8);
            }
            break;
        default:
            for (int32_t x = 0; x < FWidth; ++x)
                std::memcpy(row + 3 * size_t(x), &color, 3);
            break;
        }
    }
    switch (FPixelFormat) {
    case ikbf1Bit:
        FFull = value != 0;
        break;
    case ikbf8Bit:
    case ikbf8BitGray:
        FFull = value == 255;
        break;
    case ikbf16BitGray:
        FFull = value == 65535;
        break;
    default:
        FFull = color == TIKColorTriple{255, 255, 255};
        break;
    }
}

void TIKBitmap::CopyRegionTo(TIKBitmap* dest, int32_t srcX, int32_t srcY, int32_t width, int32_t height,
                             int32_t destX, int32_t destY) {
    if (!dest || dest->FPixelFormat != FPixelFormat || FRowLength <= 0 || dest->FRowLength <= 0)
        return;
    // Intersect the source rectangle with this image and its placement with the destination.
    int64_t sx = srcX, sy = srcY, dx = destX, dy = destY, w = width, h = height;
    if (sx < 0) {
        dx -= sx;
        w += sx;
        sx = 0;
    }
    if (sy < 0) {
        dy -= sy;
        h += sy;
        sy = 0;
    }
    if (dx < 0) {
        sx -= dx;
        w += dx;
        dx = 0;
    }
    if (dy < 0) {
        sy -= dy;
        h += dy;
        dy = 0;
    }
    w = std::min({w, int64_t(FWidth) - sx, int64_t(dest->FWidth) - dx});
    h = std::min({h, int64_t(FHeight) - sy, int64_t(dest->FHeight) - dy});
    if (w <= 0 || h <= 0)
        return;
    const int32_t bytesPerPixel = FBitsPerPixel / 8;
    const bool self = dest == this;
    std::vector<uint8_t> buffer(self ? size_t(FRowLength) : 0);
    // Within one image, rows are taken in the order that reads each before it is overwritten.
    const bool upward = self && dy > sy;
    for (int64_t k = 0; k < h; ++k) {
        const int64_t i = upward ? h - 1 - k : k;
        const uint8_t* s = ScanLine(int32_t(sy + i));
        if (self) {
            std::memcpy(buffer.data(), s, size_t(FRowLength));
            s = buffer.data();
        }
        uint8_t* d = dest->ScanLine(int32_t(dy + i));
        if (FPixelFormat == ikbf1Bit)
            IKCopyBitRange(d, s, int32_t(dx), int32_t(sx), int32_t(w), FRowLength);
        else
            std::memmove(d + dx * bytesPerPixel, s + sx * bytesPerPixel, size_t(w * bytesPerPixel));
    }
}

void TIKBitmap::SetStorageKind(TIKBitmapStorage kind) {
    if (kind == FStorage || kind > ikbsGuiBitmap)
        return;
    TIKBitmap old;
    MoveContentTo(&old);
    FIsAlphaChannel = old.FIsAlphaChannel;
    FStorage = kind;
    Allocate(old.FWidth, old.FHeight, old.FPixelFormat);
    CopyPixelsFrom(&old);
    if (FPalette && old.FPalette)
        std::copy_n(old.FPalette.get(), std::min(old.FPaletteCount, FPaletteCount), FPalette.get());
    UpdateTBitmapPalette();
    // The alpha channel stays with the image; Full is dropped, since a GUI bitmap's canvas can change pixels.
    FAlphaChannel = std::move(old.FAlphaChannel);
    FFull = false;
}

TIKBitmap* TIKBitmap::GetAlphaChannel() {
    if (FIsAlphaChannel)
        return nullptr;
    if (!FAlphaChannel) {
        FAlphaChannel = CreateAlpha(FWidth, FHeight, FStorage);
        FAlphaChannel->FMemoryThreshold = FMemoryThreshold;
    }
    return FAlphaChannel.get();
}

void TIKBitmap::RemoveAlphaChannel() {
    if (!FIsAlphaChannel)
        FAlphaChannel.reset();
}

TIKColorTriple TIKBitmap::PixelColor(int32_t x, int32_t y) {
    if (FRowLength <= 0 || x < 0 || y < 0 || x >= FWidth || y >= FHeight)
        return {};
    const uint8_t* row = ScanLine(y);
    switch (FPixelFormat) {
    case ikbf1Bit:
        return IKTestBit(row, x) ? TIKColorTriple{255, 255, 255} : TIKColorTriple{};
    case ikbf8Bit:
        return FPalette ? FPalette[row[x]] : TIKColorTriple{};
    case ikbf8BitGray:
        return {row[x], row[x], row[x]};
    case ikbf16BitGray:
        return {row[2 * x + 1], row[2 * x + 1], row[2 * x + 1]};
    case ikbf24Bit:
        return {row[3 * x], row[3 * x + 1], row[3 * x + 2]};
    default:
        return {};
    }
}

} // namespace imaging
