#include "imaging/io/IcoFilter.h"

#include "imaging/core/IKBitmap.h"
#include "imaging/core/IKMask.h"
#include "imaging/core/IKPixelUtils.h"
#include "imaging/io/BmpFilter.h"
#include "imaging/io/IOCodecUtil.h"
#include "imaging/io/IOFilterSupport.h"
#include "imaging/io/IOParams.h"
#include "imaging/io/PngFilter.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/SysUtils.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace imaging {

namespace {

constexpr int32_t IcoDirHeaderSize = 6;
constexpr int32_t IcoEntrySize = 16;
constexpr int32_t IcoInfoHeaderSize = 40;
constexpr int32_t IcoMinStreamSize = 23;
constexpr uint16_t IcoTypeIcon = 1;
constexpr uint16_t IcoTypeCursor = 2;

struct TIcoEntry {
    uint8_t Width = 0;
    uint8_t Height = 0;
    uint8_t ColorCount = 0;
    uint8_t Reserved = 0;
    uint16_t PlanesOrHotX = 0;
    uint16_t BitsOrHotY = 0;
    uint32_t Size = 0;
    uint32_t Offset = 0;
};

TIcoEntry IcoParseEntry(const uint8_t* b) {
    return TIcoEntry{
        b[0], b[1], b[2], b[3], IOGetLE16(b + 4), IOGetLE16(b + 6), IOGetLE32(b + 8), IOGetLE32(b + 12)};
}

bool IcoIsDirectory(vcl::TStream* stream, uint16_t type) {
    const int64_t start = stream->GetPosition();
    const int64_t available = stream->GetSize() - start;
    bool result = false;
    uint8_t head[IcoDirHeaderSize];
    if (available >= IcoMinStreamSize && stream->Read(head, IcoDirHeaderSize) == IcoDirHeaderSize &&
        IOGetLE16(head) == 0 && IOGetLE16(head + 2) == type && IOGetLE16(head + 4) != 0) {
        const int32_t count = IOGetLE16(head + 4);
        result = true;
        for (int32_t i = 0; i < count && result; ++i) {
            uint8_t raw[IcoEntrySize];
            if (stream->Read(raw, IcoEntrySize) != IcoEntrySize) {
                result = false;
                break;
            }
            const TIcoEntry e = IcoParseEntry(raw);
            const int64_t reached = IcoDirHeaderSize + int64_t(i + 1) * IcoEntrySize;
            result = e.Reserved == 0 && e.Size != 0 && int64_t(e.Offset) >= reached;
        }
    }
    stream->SetPosition(start);
    return result;
}

int32_t IcoDpi(int32_t pelsPerMetre, int32_t fallback) {
    const int64_t dpi = vcl::Round(pelsPerMetre / 100.0 * 2.54);
    return dpi >= 1 && dpi <= INT32_MAX ? int32_t(dpi) : fallback;
}

// Reads count bytes at the stream's position; false when the stream has fewer.
bool IcoRead(vcl::TStream* stream, std::vector<uint8_t>& buffer, int64_t count) {
    if (count < 0 || count > INT32_MAX || stream->GetSize() - stream->GetPosition() < count)
        return false;
    buffer.resize(size_t(count));
    return stream->Read(buffer.data(), int32_t(count)) == int32_t(count);
}

// Decodes the colour and mask rows of one image whose header has been read; false for damage.
bool IcoDecodePixels(vcl::TStream* stream, TIKBitmap* bitmap, TIOParamsVals& params, int32_t width,
                     int32_t height, int32_t bits, TIKColorTriple background, TIKMask* mask) {
    const int64_t colorRow = IKRowLength(width, bits);
    const int64_t maskRow = IKRowLength(width, 1);
    std::vector<uint8_t> colors, masks;
    if (!IcoRead(stream, colors, colorRow * height))
        return false;
    // The AND mask may be left out of 32-bit images, whose alpha says everything.
    const bool haveMask = IcoRead(stream, masks, maskRow * height);
    if (!haveMask && bits != 32)
        return false;
    auto maskRowOf = [&](int32_t y) { return masks.data() + size_t(height - 1 - y) * size_t(maskRow); };
    auto colorRowOf = [&](int32_t y) { return colors.data() + size_t(height - 1 - y) * size_t(colorRow); };
    const std::vector<TIKColorTriple>& palette = params.ColorMap;
    auto paletteColor = [&](int32_t index) {
        return index < int32_t(palette.size()) ? palette[size_t(index)] : TIKColorTriple{};
    };

    bool useMaskAlpha = bits != 32;
    if (bits == 32) {
        // Images whose alpha bytes are all zero use their AND mask instead.
        bool anyAlpha = false;
        for (size_t i = 3; i < colors.size() && !anyAlpha; i += 4)
            anyAlpha = colors[i] != 0;
        useMaskAlpha = !anyAlpha && haveMask;
    }
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* src = colorRowOf(y);
        const uint8_t* m = haveMask ? maskRowOf(y) : nullptr;
        uint8_t* row = bitmap->ScanLine(y);
        uint8_t* alpha = mask ? mask->ScanLine(y) : nullptr;
        if (bitmap->PixelFormat() == ikbf1Bit) {
            const bool invertAll = paletteColor(0) == TIKColorTriple{255, 255, 255};
            const bool whiteGround = background == TIKColorTriple{255, 255, 255};
            for (int32_t x = 0; x < width; ++x) {
                bool bit = IKTestBit(src, x) != 0;
                if (invertAll)
                    bit = !bit;
                const bool masked = IKTestBit(m, x) != 0;
                // A masked pixel shows the ground where its colour is black and inverts it where white.
                if (masked && whiteGround)
                    bit = !bit;
                IKPutBit(row, x, bit);
                if (alpha && masked)
                    alpha[x] = 0;
            }
            continue;
        }
        for (int32_t x = 0; x < width; ++x) {
            const bool masked = useMaskAlpha && m && IKTestBit(m, x) != 0;
            TIKColorTriple c;
            if (bits == 24 || bits == 32) {
                const uint8_t* p = src + size_t(x) * (bits / 8);
                c = TIKColorTriple{p[0], p[1], p[2]};
                if (alpha && bits == 32 && !useMaskAlpha)
                    alpha[x] = p[3];
            } else {
                const int32_t perByte = 8 / bits;
                const int32_t shift = 8 - bits * (x % perByte + 1);
                c = paletteColor((src[x / perByte] >> shift) & ((1 << bits) - 1));
            }
            if (masked) {
                if (bits != 32)
                    c = background;
                if (alpha)
                    alpha[x] = 0;
            }
            row[3 * size_t(x)] = c.B;
            row[3 * size_t(x) + 1] = c.G;
            row[3 * size_t(x) + 2] = c.R;
        }
    }
    return true;
}

// Icons and cursors share one layout; a cursor keeps hot spots where an icon keeps its colour depth.
enum TIcoDirKind : uint8_t { icoIcon, icoCursor };

void IcoDecode(vcl::TStream* stream, TIKBitmap* bitmap, TIOParamsVals& params, TIKReadMode mode,
               TIKProgressContext& progress, std::unique_ptr<TIKMask>& alphaMask, TIKAlphaMode alphaMode,
               TIcoDirKind kind) {
    const bool cursor = kind == icoCursor;
    const int64_t start = stream->GetPosition();
    const int64_t streamSize = stream->GetSize();
    uint8_t head[IcoDirHeaderSize];
    if (stream->Read(head, IcoDirHeaderSize) < IcoDirHeaderSize) {
        progress.SetAborting();
        return;
    }
    if (!cursor && head[0] == 'B' && head[1] == 'M') {
        // A bitmap file named as an icon.
        stream->SetPosition(start);
        DecodeBmpToBitmap(stream, bitmap, streamSize - start, params, progress, mode);
        return;
    }
    const int32_t count = IOGetLE16(head + 4);
    const int32_t index = cursor ? params.CurImageIndex : params.IcoImageIndex;
    if (index < 0 || index >= count) {
        progress.SetAborting();
        return;
    }
    TIcoEntry entry;
    for (int32_t i = 0; i <= index; ++i) {
        uint8_t raw[IcoEntrySize];
        if (stream->Read(raw, IcoEntrySize) < IcoEntrySize) {
            progress.SetAborting();
            return;
        }
        entry = IcoParseEntry(raw);
    }
    const int64_t dataStart = start + int64_t(entry.Offset);
    if (dataStart + IcoInfoHeaderSize > streamSize) {
        progress.SetAborting();
        return;
    }
    stream->SetPosition(dataStart);
    uint8_t info[IcoInfoHeaderSize];
    if (stream->Read(info, IcoInfoHeaderSize) < IcoInfoHeaderSize) {
        progress.SetAborting();
        return;
    }
    if (std::memcmp(info, "\x89PNG", 4) == 0) {
        // Large icons are stored as whole PNG files.
        stream->SetPosition(dataStart);
        DecodePngToBitmap(stream, bitmap, params, progress, mode, alphaMask, alphaMode);
        return;
    }
    const uint32_t headerSize = IOGetLE32(info);
    const int32_t headerWidth = int32_t(IOGetLE32(info + 4));
    const int32_t headerHeight = int32_t(IOGetLE32(info + 8));
    const int32_t headerBits = IOGetLE16(info + 14);
    const uint32_t colorsUsed = IOGetLE32(info + 32);
    if (headerSize < IcoInfoHeaderSize || headerSize > 1024) {
        progress.SetAborting();
        return;
    }
    if (cursor) {
        params.CurXHotSpot = entry.PlanesOrHotX;
        params.CurYHotSpot = entry.BitsOrHotY;
    }
    params.DpiX = IcoDpi(int32_t(IOGetLE32(info + 24)), IKDefaultDpiX);
    params.DpiY = IcoDpi(int32_t(IOGetLE32(info + 28)), IKDefaultDpiY);

    int32_t bits = cursor ? 0 : entry.BitsOrHotY;
    if (headerBits != 0)
        bits = headerBits;
    if (bits == 0) {
        const int32_t entryColors = cursor && entry.ColorCount == 255 ? 256 : entry.ColorCount;
        if (entryColors == 0) {
            progress.SetAborting();
            return;
        }
        bits = IKCeilLog2(uint32_t(entryColors));
    }
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) {
        progress.SetAborting();
        return;
    }
    params.BitsPerSample = bits > 8 ? 8 : bits;
    params.SamplesPerPixel = bits > 8 ? 3 : 1;

    int32_t width = entry.Width != 0 ? entry.Width : headerWidth;
    int32_t height = entry.Height != 0 ? entry.Height : headerHeight / 2;
    if (!cursor && entry.Width != 0 && entry.Width != headerWidth && headerWidth != 0 && headerWidth < 2048 &&
        headerHeight < 2048) {
        width = headerWidth;
        height = headerHeight / 2;
    }
    if (width < 1 || height < 1 || int64_t(width) * height > IKMaxReadPixels) {
        progress.SetAborting();
        return;
    }

    // The colour table: as many entries as the header says are used, else one per possible index.
    params.FreeColorMap();
    if (bits <= 8) {
        const uint32_t full = 1u << bits;
        const uint32_t entries = colorsUsed != 0 && colorsUsed < full ? colorsUsed : full;
        stream->SetPosition(dataStart + headerSize);
        std::vector<uint8_t> table;
        if (!IcoRead(stream, table, int64_t(entries) * 4)) {
            progress.SetAborting();
            return;
        }
        params.ColorMap.resize(entries);
        for (uint32_t i = 0; i < entries; ++i)
            params.ColorMap[i] = TIKColorTriple{table[4 * i], table[4 * i + 1], table[4 * i + 2]};
    } else {
        stream->SetPosition(dataStart + headerSize);
    }
    params.Width = width;
    params.Height = height;
    if (mode == ikrmParamsOnly)
        return;

    // The rows must be in the file before anything is allocated for them (32-bit images may leave out
    // their mask).
    const int64_t needed =
        IKRowLength(width, bits) * height + (bits == 32 ? 0 : IKRowLength(width, 1) * height);
    if (stream->GetSize() - stream->GetPosition() < needed) {
        progress.SetAborting();
        return;
    }
    const TIKColorTriple black{}, white{255, 255, 255};
    const bool blackWhite = bits == 1 && params.ColorMap.size() == 2 &&
                            ((params.ColorMap[0] == black && params.ColorMap[1] == white) ||
                             (params.ColorMap[0] == white && params.ColorMap[1] == black));
    bitmap->Allocate(width, height, blackWhite ? ikbf1Bit : ikbf24Bit);
    TIKMask* mask = nullptr;
    if (alphaMode == ikamKeep) {
        if (!alphaMask)
            alphaMask = std::make_unique<TIKMask>();
        alphaMask->Allocate(width, height, 8);
        alphaMask->Fill(255);
        alphaMask->SetFull(false);
        mask = alphaMask.get();
    }
    const TIKColorTriple background = cursor ? params.CurBackground : params.IcoBackground;
    if (!IcoDecodePixels(stream, bitmap, params, width, height, bits, background, mask))
        progress.SetAborting();
}

} // namespace

bool IsIcoStream(vcl::TStream* stream) {
    return IcoIsDirectory(stream, IcoTypeIcon);
}

bool IsCurStream(vcl::TStream* stream) {
    return IcoIsDirectory(stream, IcoTypeCursor);
}

void DecodeIcoToBitmap(vcl::TStream* stream, TIKBitmap* bitmap, TIOParamsVals& params, TIKReadMode mode,
                       TIKProgressContext& progress, std::unique_ptr<TIKMask>& alphaMask,
                       TIKAlphaMode alphaMode) {
    IcoDecode(stream, bitmap, params, mode, progress, alphaMask, alphaMode, icoIcon);
}

void DecodeCurToBitmap(vcl::TStream* stream, TIKBitmap* bitmap, TIOParamsVals& params, TIKReadMode mode,
                       TIKProgressContext& progress, std::unique_ptr<TIKMask>& alphaMask,
                       TIKAlphaMode alphaMode) {
    IcoDecode(stream, bitmap, params, mode, progress, alphaMask, alphaMode, icoCursor);
}

} // namespace imaging
