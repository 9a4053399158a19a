#include "platform/vcl/BmpFormat.h"

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/ImageBudget.h"
#include "platform/vcl/Streams.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <string>

namespace vcl {

namespace {

// Compression codes of the header. OS/2 2.x uses 3 and 4 for Huffman 1D and RLE24, which are not read.
constexpr uint32_t BmpRgb = 0;
constexpr uint32_t BmpRle8 = 1;
constexpr uint32_t BmpRle4 = 2;
constexpr uint32_t BmpBitFields = 3;
constexpr uint32_t BmpJpeg = 4;
constexpr uint32_t BmpPng = 5;
constexpr uint32_t BmpAlphaBitFields = 6;

constexpr size_t BmpFileHeaderSize = 14;
constexpr uint32_t BmpCoreHeaderSize = 12;
constexpr uint32_t BmpInfoHeaderSize = 40;
constexpr uint32_t BmpV2HeaderSize = 52;
constexpr uint32_t BmpV3HeaderSize = 56;
constexpr uint32_t BmpV4HeaderSize = 108;
constexpr uint32_t BmpV5HeaderSize = 124;
constexpr uint32_t BmpOs2MinHeaderSize = 16;
constexpr uint32_t BmpOs2MaxHeaderSize = 64;

[[noreturn]] void BmpInvalid(const std::string& why) {
    throw EInvalidGraphic("Bitmap image is not valid: " + why);
}

uint16_t BmpU16(const uint8_t* p) {
    return uint16_t(p[0] | (p[1] << 8));
}
uint32_t BmpU32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
void BmpPut16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}
void BmpPut32(std::vector<uint8_t>& out, uint32_t v) {
    BmpPut16(out, v & 0xFFFF);
    BmpPut16(out, v >> 16);
}

// One channel of a bit-field pixel: where it sits and how to widen it to 8 bits.
struct BmpChannel {
    uint32_t Mask = 0;
    int Shift = 0;
    int Bits = 0;

    explicit BmpChannel(uint32_t mask) : Mask(mask) {
        if (mask) {
            Shift = std::countr_zero(mask);
            Bits = std::popcount(mask);
        }
    }
    // Narrow channels repeat their bits downwards, so that full scale stays full scale (31 -> 255).
    uint8_t Extract(uint32_t pixel, uint8_t absent) const {
        if (!Mask)
            return absent;
        uint32_t v = (pixel & Mask) >> Shift;
        if (Bits >= 8)
            return uint8_t(v >> (Bits - 8));
        uint32_t r = v << (8 - Bits);
        for (int filled = Bits; filled < 8; filled += Bits)
            r |= r >> Bits;
        return uint8_t(r);
    }
    uint32_t Insert(uint8_t v) const {
        if (!Mask)
            return 0;
        uint32_t c = Bits >= 8 ? uint32_t(v) << (Bits - 8) : uint32_t(v) >> (8 - Bits);
        return (c << Shift) & Mask;
    }
};

bool BmpMaskContiguous(uint32_t m) {
    if (!m)
        return true;
    uint32_t v = m >> std::countr_zero(m);
    return (v & (v + 1)) == 0;
}

} // namespace

bool BmpRleDataCanFill(int64_t width, int64_t height, int64_t dataBytes) {
    constexpr int64_t anyData = int64_t(1) << 16;
    if (width <= 0 || height <= 0 || dataBytes < 0)
        return false;
    const int64_t pixels = ImageReadBytes(width, height);
    return pixels <= anyData || pixels / BmpRlePixelsPerByte <= dataBytes;
}

// ---- parsing -----------------------------------------------------------------------------------------

TBmpReader TBmpReader::FromFile(const uint8_t* data, size_t size) {
    TBmpReader r;
    r.FData = data;
    r.FSize = size;
    if (size < BmpFileHeaderSize + 4)
        BmpInvalid("the file is too short");
    if (data[0] != 'B' || data[1] != 'M')
        BmpInvalid("the file does not start with \"BM\"");
    r.Parse(BmpFileHeaderSize, true, BmpU32(data + 10));
    return r;
}

TBmpReader TBmpReader::FromPackedDib(const uint8_t* data, size_t size) {
    TBmpReader r;
    r.FData = data;
    r.FSize = size;
    r.Parse(0, false, 0);
    return r;
}

void TBmpReader::Parse(size_t headerStart, bool haveFileHeader, uint32_t offBits) {
    const uint8_t* d = FData;
    if (FSize < headerStart + 4)
        BmpInvalid("the header is truncated");
    uint32_t headerSize = BmpU32(d + headerStart);
    bool core = headerSize == BmpCoreHeaderSize;
    bool windows = headerSize == BmpInfoHeaderSize || headerSize == BmpV2HeaderSize ||
                   headerSize == BmpV3HeaderSize || headerSize == BmpV4HeaderSize ||
                   headerSize == BmpV5HeaderSize;
    bool os2 = !windows && headerSize >= BmpOs2MinHeaderSize && headerSize <= BmpOs2MaxHeaderSize;
    if (!core && !windows && !os2)
        BmpInvalid("unknown header size " + std::to_string(headerSize));
    if (FSize - headerStart < headerSize)
        BmpInvalid("the header is truncated");
    const uint8_t* h = d + headerStart;

    int64_t width, height;
    uint16_t planes, bits;
    uint32_t compression = BmpRgb, sizeImage = 0, clrUsed = 0;
    int32_t xppm = 0, yppm = 0;
    if (core) {
        width = BmpU16(h + 4);
        height = BmpU16(h + 6);
        planes = BmpU16(h + 8);
        bits = BmpU16(h + 10);
    } else {
        // Fields past the end of a shortened OS/2 2.x header are zero.
        uint8_t full[BmpInfoHeaderSize] = {};
        std::memcpy(full, h, std::min<size_t>(headerSize, sizeof full));
        width = int32_t(BmpU32(full + 4));
        height = int32_t(BmpU32(full + 8));
        planes = BmpU16(full + 12);
        bits = BmpU16(full + 14);
        compression = BmpU32(full + 16);
        sizeImage = BmpU32(full + 20);
        xppm = int32_t(BmpU32(full + 24));
        yppm = int32_t(BmpU32(full + 28));
        clrUsed = BmpU32(full + 32);
    }

    if (planes != 1)
        BmpInvalid("the plane count is " + std::to_string(planes) + ", not 1");
    if (width <= 0 || height == 0 || height == std::numeric_limits<int32_t>::min())
        BmpInvalid("the size " + std::to_string(width) + " x " + std::to_string(height) + " is not valid");
    FTopDown = height < 0;
    height = height < 0 ? -height : height;

    // Which compressions go with which depths.
    if (os2 && compression > BmpRle4)
        BmpInvalid("OS/2 compression " + std::to_string(compression) + " is not supported");
    switch (compression) {
    case BmpRgb:
        if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && (core || (bits != 16 && bits != 32)))
            BmpInvalid(std::to_string(bits) + " bits per pixel are not supported");
        FCoding = TPixelCoding::Plain;
        break;
    case BmpRle8:
        if (bits != 8)
            BmpInvalid("RLE8 needs 8 bits per pixel");
        FCoding = TPixelCoding::Rle8;
        break;
    case BmpRle4:
        if (bits != 4)
            BmpInvalid("RLE4 needs 4 bits per pixel");
        FCoding = TPixelCoding::Rle4;
        break;
    case BmpBitFields:
    case BmpAlphaBitFields:
        if (bits != 16 && bits != 32)
            BmpInvalid("bit fields need 16 or 32 bits per pixel");
        FCoding = bits == 16 ? TPixelCoding::Fields16 : TPixelCoding::Fields32;
        break;
    case BmpJpeg:
    case BmpPng:
        BmpInvalid("embedded JPEG or PNG data is not supported");
    default:
        BmpInvalid("unknown compression " + std::to_string(compression));
    }
    if (FTopDown && (FCoding == TPixelCoding::Rle4 || FCoding == TPixelCoding::Rle8))
        BmpInvalid("compressed bitmaps cannot be stored top-down");
    FStoredBits = bits;

    // Bit-field masks: inside the V2 and later headers, or right after a 40-byte header.
    size_t maskEnd = headerStart + headerSize;
    if (compression == BmpBitFields || compression == BmpAlphaBitFields) {
        int count = compression == BmpAlphaBitFields ? 4 : 3;
        if (headerSize == BmpInfoHeaderSize) {
            if (FSize - maskEnd < size_t(count) * 4)
                BmpInvalid("the bit-field masks are truncated");
            for (int i = 0; i < count; ++i)
                FMasks[i] = BmpU32(d + maskEnd + 4 * i);
            maskEnd += size_t(count) * 4;
        } else {
            for (int i = 0; i < 3; ++i)
                FMasks[i] = BmpU32(h + 40 + 4 * i);
            if (headerSize >= BmpV3HeaderSize)
                FMasks[3] = BmpU32(h + 52);
        }
        uint32_t all = 0;
        for (uint32_t m : FMasks) {
            if (!BmpMaskContiguous(m))
                BmpInvalid("a bit-field mask is not contiguous");
            if (all & m)
                BmpInvalid("the bit-field masks overlap");
            if (bits == 16 && m > 0xFFFF)
                BmpInvalid("a bit-field mask is wider than the pixel");
            all |= m;
        }
        if (!(FMasks[0] | FMasks[1] | FMasks[2]))
            BmpInvalid("the bit-field masks are empty");
    } else if (bits == 16) {
        FMasks[0] = 0x7C00, FMasks[1] = 0x03E0, FMasks[2] = 0x001F;
    } else if (bits == 32) {
        FMasks[0] = 0xFF0000, FMasks[1] = 0xFF00, FMasks[2] = 0xFF;
    }

    // Sizes, checked in 64 bits against named limits before anything is allocated.
    if (width * height > BmpMaxPixels)
        BmpInvalid("the image is larger than " + std::to_string(BmpMaxPixels) + " pixels");
    TDibFormat& f = FFormat;
    f.Width = int32_t(width);
    f.Height = int32_t(height);
    f.XPelsPerMeter = xppm;
    f.YPelsPerMeter = yppm;
    int64_t storedRowBytes = ((width * bits + 31) / 32) * 4;

    // The layout the pixels are decoded into.
    if (FCoding == TPixelCoding::Fields16) {
        bool direct =
            FMasks[3] == 0 && FMasks[2] == 0x1F &&
            ((FMasks[0] == 0x7C00 && FMasks[1] == 0x3E0) || (FMasks[0] == 0xF800 && FMasks[1] == 0x7E0));
        if (direct)
            FCoding = TPixelCoding::Plain;
        f.BitCount = direct ? 16 : 32;
    } else if (FCoding == TPixelCoding::Fields32) {
        bool direct = FMasks[0] == 0xFF0000 && FMasks[1] == 0xFF00 && FMasks[2] == 0xFF &&
                      (FMasks[3] == 0 || FMasks[3] == 0xFF000000);
        if (direct)
            FCoding = TPixelCoding::Plain;
        f.BitCount = 32;
    } else {
        f.BitCount = bits;
    }
    if (f.BitCount == 16) {
        f.RedMask = FMasks[0], f.GreenMask = FMasks[1], f.BlueMask = FMasks[2];
    } else if (f.BitCount == 32) {
        f.RedMask = 0xFF0000, f.GreenMask = 0xFF00, f.BlueMask = 0xFF;
        f.HasAlpha = FMasks[3] != 0;
    }
    if (f.ImageBytes() > BmpMaxImageBytes)
        BmpInvalid("the image needs more than " + std::to_string(BmpMaxImageBytes) + " bytes");
    if (!ImageReadFits(f.ImageBytes()))
        BmpInvalid("the image needs more memory than the reading budget of " +
                   std::to_string(GetImageReadBudget()) + " bytes");

    // Where the pixels start: the file header's offset when it points past the header, else right after
    // the colour table (some writers leave the offset 0).
    size_t paletteStart = maskEnd;
    size_t entrySize = core ? 3 : 4;
    int64_t paletteCount = 0;
    if (bits <= 8) {
        paletteCount = clrUsed == 0 ? (int64_t(1) << bits) : std::min<int64_t>(clrUsed, int64_t(1) << bits);
    }
    size_t paletteEnd = paletteStart + size_t(paletteCount) * entrySize;
    if (haveFileHeader && offBits >= paletteStart) {
        if (offBits > FSize)
            BmpInvalid("the pixel data offset lies past the end of the file");
        FPixelOffset = offBits;
    } else if (haveFileHeader && offBits != 0) {
        BmpInvalid("the pixel data offset lies inside the header");
    } else {
        // Without a usable offset, bit-field masks of a 16- or 32-bit image may be followed by an unused
        // colour table whose length the header gives.
        if (bits > 8 && clrUsed != 0 && clrUsed <= 256)
            paletteEnd = paletteStart + size_t(clrUsed) * entrySize;
        FPixelOffset = paletteEnd;
        if (FPixelOffset > FSize)
            BmpInvalid("the colour table is truncated");
    }
    if (bits <= 8) {
        size_t limit = std::min(FPixelOffset, FSize);
        int64_t fit = int64_t((limit - std::min(limit, paletteStart)) / entrySize);
        int64_t count = std::min(paletteCount, fit);
        if (count == 0)
            BmpInvalid("the colour table is missing");
        f.Colors.resize(size_t(count));
        for (int64_t i = 0; i < count; ++i) {
            const uint8_t* e = d + paletteStart + size_t(i) * entrySize;
            f.Colors[size_t(i)] = uint32_t(e[2]) << 16 | uint32_t(e[1]) << 8 | e[0];
        }
    }

    size_t available = FSize - FPixelOffset;
    if (FCoding == TPixelCoding::Rle4 || FCoding == TPixelCoding::Rle8) {
        FPixelBytes = sizeImage != 0 && sizeImage <= available ? sizeImage : available;
        if (!BmpRleDataCanFill(width, height, int64_t(FPixelBytes)))
            BmpInvalid("the run-length data is too short for a picture of " + std::to_string(width) + " x " +
                       std::to_string(height));
    } else {
        int64_t need = storedRowBytes * height;
        if (int64_t(available) < need)
            BmpInvalid("the pixel data is truncated");
        FPixelBytes = size_t(need);
    }
}

// ---- decoding ----------------------------------------------------------------------------------------

TDibImage TBmpReader::Decode() const {
    TDibImage image;
    image.Format = FFormat;
    image.Bits.resize(size_t(FFormat.ImageBytes()));
    Decode(image.Bits.data());
    image.Format.HasAlpha = DibAlphaUsed(image.Format, image.Bits.data());
    return image;
}

bool DibAlphaUsed(const TDibFormat& format, const uint8_t* bits) {
    if (!format.HasAlpha || format.BitCount != 32)
        return false;
    const size_t rowBytes = size_t(format.RowBytes());
    for (int32_t y = 0; y < format.Height; ++y) {
        const uint8_t* row = bits + size_t(y) * rowBytes;
        for (int32_t x = 0; x < format.Width; ++x)
            if (row[4 * size_t(x) + 3] != 0)
                return true;
    }
    return false;
}

void TBmpReader::Decode(uint8_t* dest) const {
    switch (FCoding) {
    case TPixelCoding::Plain:
        DecodePlain(dest);
        break;
    case TPixelCoding::Rle8:
    case TPixelCoding::Rle4:
        DecodeRle(dest);
        break;
    case TPixelCoding::Fields16:
    case TPixelCoding::Fields32:
        DecodeFields(dest);
        break;
    }
}

void TBmpReader::DecodePlain(uint8_t* dest) const {
    const int32_t h = FFormat.Height;
    const size_t rowBytes = size_t(FFormat.RowBytes());
    const uint8_t* src = FData + FPixelOffset;
    for (int32_t r = 0; r < h; ++r) {
        int32_t destRow = FTopDown ? h - 1 - r : r;
        std::memcpy(dest + size_t(destRow) * rowBytes, src + size_t(r) * rowBytes, rowBytes);
    }
}

void TBmpReader::DecodeFields(uint8_t* dest) const {
    const int32_t w = FFormat.Width, h = FFormat.Height;
    const size_t destRowBytes = size_t(FFormat.RowBytes());
    const size_t srcRowBytes = size_t(((int64_t(w) * FStoredBits + 31) / 32) * 4);
    const BmpChannel red(FMasks[0]), green(FMasks[1]), blue(FMasks[2]), alpha(FMasks[3]);
    const uint8_t* src = FData + FPixelOffset;
    for (int32_t r = 0; r < h; ++r) {
        const uint8_t* s = src + size_t(r) * srcRowBytes;
        uint8_t* o = dest + size_t(FTopDown ? h - 1 - r : r) * destRowBytes;
        for (int32_t x = 0; x < w; ++x, o += 4) {
            uint32_t px = FStoredBits == 16 ? BmpU16(s + 2 * size_t(x)) : BmpU32(s + 4 * size_t(x));
            o[0] = blue.Extract(px, 0);
            o[1] = green.Extract(px, 0);
            o[2] = red.Extract(px, 0);
            o[3] = alpha.Extract(px, 255);
        }
    }
}

// RLE data is a list of rows from the bottom up. Pixels that the data skips (end of line, delta, end of
// bitmap) keep index 0. A run that reaches past the right edge is cut there; pixels above the top row, a
// delta out of the picture, or data that ends before the picture is complete are refused.
void TBmpReader::DecodeRle(uint8_t* dest) const {
    const bool four = FCoding == TPixelCoding::Rle4;
    const int32_t w = FFormat.Width, h = FFormat.Height;
    const size_t rowBytes = size_t(FFormat.RowBytes());
    std::memset(dest, 0, rowBytes * size_t(h));
    const uint8_t* p = FData + FPixelOffset;
    const uint8_t* end = p + FPixelBytes;
    int64_t x = 0, y = 0;

    auto put = [&](uint8_t index) {
        if (x < w) {
            uint8_t* row = dest + size_t(y) * rowBytes;
            if (four) {
                uint8_t& b = row[x >> 1];
                b = (x & 1) ? uint8_t((b & 0xF0) | (index & 0x0F)) : uint8_t((b & 0x0F) | (index << 4));
            } else {
                row[x] = index;
            }
        }
        ++x;
    };
    auto needRow = [&] {
        if (y >= h)
            BmpInvalid("RLE data runs past the image");
    };

    for (;;) {
        if (end - p < 2) {
            // Data that stops right after the last pixel (without an end-of-bitmap code) is complete.
            if (y >= h || (y == h - 1 && x >= w))
                return;
            BmpInvalid("the RLE data is truncated");
        }
        uint8_t count = p[0], value = p[1];
        p += 2;
        if (count > 0) {
            needRow();
            for (int i = 0; i < count; ++i)
                put(four ? ((i & 1) ? value & 0x0F : value >> 4) : value);
            continue;
        }
        if (value == 0) { // end of line
            x = 0;
            ++y;
        } else if (value == 1) { // end of bitmap
            return;
        } else if (value == 2) { // delta
            if (end - p < 2)
                BmpInvalid("the RLE data is truncated");
            x += p[0];
            y += p[1];
            p += 2;
            if (x > w || y > h || (y == h && x > 0))
                BmpInvalid("an RLE delta moves out of the image");
        } else { // a literal run of `value` pixels, padded to a 16-bit boundary
            size_t bytes = four ? (size_t(value) + 1) / 2 : value;
            size_t padded = (bytes + 1) & ~size_t(1);
            if (size_t(end - p) < bytes)
                BmpInvalid("the RLE data is truncated");
            needRow();
            for (int i = 0; i < value; ++i)
                put(four ? ((i & 1) ? p[i / 2] & 0x0F : p[i / 2] >> 4) : p[i]);
            p += std::min(padded, size_t(end - p));
        }
    }
}

// ---- streams -----------------------------------------------------------------------------------------

TBmpReader ReadBmpHeader(TStream* stream, std::vector<uint8_t>& storage) {
    int64_t start = stream->GetPosition();
    int64_t remaining = stream->GetSize() - start;
    if (remaining < int64_t(BmpFileHeaderSize + 4))
        BmpInvalid("the file is too short");
    // Memory streams are parsed where they are, without a copy.
    if (auto* memory = dynamic_cast<TCustomMemoryStream*>(stream)) {
        TBmpReader reader =
            TBmpReader::FromFile(static_cast<const uint8_t*>(memory->Memory()) + start, size_t(remaining));
        stream->SetPosition(start + int64_t(reader.DataEnd()));
        return reader;
    }
    // First the headers, colour table and masks, to learn how much pixel data belongs to the image.
    size_t first = size_t(std::min<int64_t>(remaining, BmpFileHeaderSize + BmpV5HeaderSize + 16 + 256 * 4));
    storage.resize(first);
    stream->ReadBuffer(storage.data(), int32_t(first));
    if (storage[0] != 'B' || storage[1] != 'M')
        BmpInvalid("the file does not start with \"BM\"");
    uint32_t offBits = BmpU32(storage.data() + 10);
    uint32_t headerSize = BmpU32(storage.data() + 14);
    uint8_t compression = headerSize > 16 && storage.size() >= 34 ? storage[30] : 0;

    // Compressed data is never longer than its picture; a bound keeps a huge stream from being read whole.
    int64_t total = std::min<int64_t>(remaining, 2 * BmpMaxImageBytes);
    if (compression != BmpRle4 && compression != BmpRle8 && first < size_t(remaining)) {
        // Uncompressed: exactly the rows the header asks for, so that data after the image stays unread.
        int64_t w = 0, hgt = 0, bits = 0;
        if (headerSize == BmpCoreHeaderSize && storage.size() >= 26) {
            w = BmpU16(storage.data() + 18), hgt = BmpU16(storage.data() + 20),
            bits = BmpU16(storage.data() + 24);
        } else if (storage.size() >= 30) {
            w = int32_t(BmpU32(storage.data() + 18)), hgt = int32_t(BmpU32(storage.data() + 22));
            bits = BmpU16(storage.data() + 28);
        }
        hgt = hgt < 0 ? -hgt : hgt;
        if (w > 0 && hgt > 0 && bits > 0 && w * hgt <= BmpMaxPixels) {
            // Without an offset the colour table's length is unknown here: take the rest of the stream.
            if (offBits != 0) {
                int64_t need = int64_t(offBits) + ((w * bits + 31) / 32) * 4 * hgt;
                total = std::min(remaining, std::max<int64_t>(need, first));
            }
        }
    }
    storage.resize(size_t(total));
    int64_t done = int64_t(first);
    while (done < total) {
        int32_t n = int32_t(std::min<int64_t>(total - done, 1 << 30));
        stream->ReadBuffer(storage.data() + done, n);
        done += n;
    }
    TBmpReader reader = TBmpReader::FromFile(storage.data(), storage.size());
    stream->SetPosition(start + int64_t(reader.DataEnd()));
    return reader;
}

TDibImage ReadBmp(TStream* stream) {
    std::vector<uint8_t> storage;
    return ReadBmpHeader(stream, storage).Decode();
}

namespace {

void BmpWriteAll(TStream* stream, const uint8_t* data, int64_t size) {
    while (size > 0) {
        int32_t n = int32_t(std::min<int64_t>(size, 1 << 30));
        stream->WriteBuffer(data, n);
        data += n;
        size -= n;
    }
}

std::vector<uint8_t> BmpInfoBlock(const TDibFormat& f) {
    if (f.Width <= 0 || f.Height <= 0)
        throw EInvalidGraphic("Cannot save an empty bitmap");
    bool alpha = f.BitCount == 32 && f.HasAlpha;
    bool fields565 = f.BitCount == 16 && f.GreenMask == 0x7E0;
    std::vector<uint8_t> out;
    BmpPut32(out, alpha ? BmpV4HeaderSize : BmpInfoHeaderSize);
    BmpPut32(out, uint32_t(f.Width));
    BmpPut32(out, uint32_t(f.Height));
    BmpPut16(out, 1);
    BmpPut16(out, f.BitCount);
    BmpPut32(out, alpha || fields565 ? BmpBitFields : BmpRgb);
    BmpPut32(out, uint32_t(f.ImageBytes()));
    BmpPut32(out, uint32_t(f.XPelsPerMeter));
    BmpPut32(out, uint32_t(f.YPelsPerMeter));
    BmpPut32(out, f.BitCount <= 8 ? uint32_t(f.Colors.size()) : 0);
    BmpPut32(out, 0);
    if (alpha) {
        for (uint32_t m : {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0xFF000000u})
            BmpPut32(out, m);
        BmpPut32(out, 0x73524742); // colour space: sRGB
        out.resize(BmpV4HeaderSize, 0);
    } else if (fields565) {
        for (uint32_t m : {f.RedMask, f.GreenMask, f.BlueMask})
            BmpPut32(out, m);
    }
    if (f.BitCount <= 8) {
        for (uint32_t c : f.Colors)
            BmpPut32(out, c & 0xFFFFFF);
    }
    return out;
}

} // namespace

void WritePackedDib(TStream* stream, const TDibFormat& format, const uint8_t* bits) {
    std::vector<uint8_t> info = BmpInfoBlock(format);
    stream->WriteBuffer(info.data(), int32_t(info.size()));
    BmpWriteAll(stream, bits, format.ImageBytes());
}

void WriteBmp(TStream* stream, const TDibFormat& format, const uint8_t* bits) {
    std::vector<uint8_t> info = BmpInfoBlock(format);
    int64_t total = int64_t(BmpFileHeaderSize + info.size()) + format.ImageBytes();
    if (total > std::numeric_limits<uint32_t>::max())
        throw EInvalidGraphic("The bitmap is too large to be saved as a BMP file");
    std::vector<uint8_t> head = {'B', 'M'};
    BmpPut32(head, uint32_t(total));
    BmpPut32(head, 0);
    BmpPut32(head, uint32_t(BmpFileHeaderSize + info.size()));
    stream->WriteBuffer(head.data(), int32_t(head.size()));
    stream->WriteBuffer(info.data(), int32_t(info.size()));
    BmpWriteAll(stream, bits, format.ImageBytes());
}

// ---- pixel access and conversion ---------------------------------------------------------------------

int NearestColorIndex(const std::vector<uint32_t>& colors, uint32_t color) {
    int best = 0;
    int bestDistance = std::numeric_limits<int>::max();
    int r = (color >> 16) & 0xFF, g = (color >> 8) & 0xFF, b = color & 0xFF;
    for (size_t i = 0; i < colors.size(); ++i) {
        int dr = int((colors[i] >> 16) & 0xFF) - r;
        int dg = int((colors[i] >> 8) & 0xFF) - g;
        int db = int(colors[i] & 0xFF) - b;
        int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = int(i);
            if (distance == 0)
                break;
        }
    }
    return best;
}

uint32_t DibPixelColor(const TDibFormat& f, const uint8_t* row, int32_t x, uint8_t* alpha) {
    if (alpha)
        *alpha = 255;
    auto indexed = [&](unsigned index) { return index < f.Colors.size() ? f.Colors[index] & 0xFFFFFF : 0u; };
    switch (f.BitCount) {
    case 1:
        return indexed((row[x >> 3] >> (7 - (x & 7))) & 1);
    case 4:
        return indexed((x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4);
    case 8:
        return indexed(row[x]);
    case 16: {
        uint32_t px = BmpU16(row + 2 * size_t(x));
        return uint32_t(BmpChannel(f.RedMask).Extract(px, 0)) << 16 |
               uint32_t(BmpChannel(f.GreenMask).Extract(px, 0)) << 8 | BmpChannel(f.BlueMask).Extract(px, 0);
    }
    case 24: {
        const uint8_t* p = row + 3 * size_t(x);
        return uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    }
    case 32: {
        const uint8_t* p = row + 4 * size_t(x);
        if (alpha && f.HasAlpha)
            *alpha = p[3];
        return uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    }
    }
    return 0;
}

void SetDibPixelColor(const TDibFormat& f, uint8_t* row, int32_t x, uint32_t color, uint8_t alpha) {
    switch (f.BitCount) {
    case 1: {
        uint8_t bit = uint8_t(0x80 >> (x & 7));
        if (NearestColorIndex(f.Colors, color))
            row[x >> 3] |= bit;
        else
            row[x >> 3] &= uint8_t(~bit);
        break;
    }
    case 4: {
        uint8_t index = uint8_t(NearestColorIndex(f.Colors, color));
        uint8_t& b = row[x >> 1];
        b = (x & 1) ? uint8_t((b & 0xF0) | index) : uint8_t((b & 0x0F) | (index << 4));
        break;
    }
    case 8:
        row[x] = uint8_t(NearestColorIndex(f.Colors, color));
        break;
    case 16: {
        uint32_t px = BmpChannel(f.RedMask).Insert(uint8_t(color >> 16)) |
                      BmpChannel(f.GreenMask).Insert(uint8_t(color >> 8)) |
                      BmpChannel(f.BlueMask).Insert(uint8_t(color));
        row[2 * size_t(x)] = uint8_t(px);
        row[2 * size_t(x) + 1] = uint8_t(px >> 8);
        break;
    }
    case 24: {
        uint8_t* p = row + 3 * size_t(x);
        p[0] = uint8_t(color), p[1] = uint8_t(color >> 8), p[2] = uint8_t(color >> 16);
        break;
    }
    case 32: {
        uint8_t* p = row + 4 * size_t(x);
        p[0] = uint8_t(color), p[1] = uint8_t(color >> 8), p[2] = uint8_t(color >> 16);
        p[3] = f.HasAlpha ? alpha : 0;
        break;
    }
    }
}

namespace {

// Index of pixel x of a 1-, 4- or 8-bit row, and storing one.
unsigned DibIndexAt(uint16_t bits, const uint8_t* row, int32_t x) {
    switch (bits) {
    case 1:
        return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4:
        return (x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4;
    default:
        return row[x];
    }
}
void DibSetIndex(uint16_t bits, uint8_t* row, int32_t x, unsigned index) {
    switch (bits) {
    case 1: {
        uint8_t bit = uint8_t(0x80 >> (x & 7));
        row[x >> 3] = index ? uint8_t(row[x >> 3] | bit) : uint8_t(row[x >> 3] & ~bit);
        break;
    }
    case 4: {
        uint8_t& b = row[x >> 1];
        b = (x & 1) ? uint8_t((b & 0xF0) | (index & 0x0F)) : uint8_t((b & 0x0F) | (index << 4));
        break;
    }
    default:
        row[x] = uint8_t(index);
    }
}

bool DibSameLayout(const TDibFormat& a, const TDibFormat& b) {
    if (a.BitCount != b.BitCount)
        return false;
    if (a.BitCount <= 8)
        return a.Colors == b.Colors;
    if (a.RedMask != b.RedMask || a.GreenMask != b.GreenMask || a.BlueMask != b.BlueMask)
        return false;
    return a.BitCount != 32 || a.HasAlpha == b.HasAlpha || !b.HasAlpha;
}

// Turns rows of one layout into 0xAARRGGBB values, with tables for indexed and 16-bit pixels.
class DibRowDecoder {
public:
    explicit DibRowDecoder(const TDibFormat& f) : FFormat(f) {
        if (f.BitCount <= 8) {
            FTable.assign(256, 0xFF000000u);
            for (size_t i = 0; i < f.Colors.size() && i < 256; ++i)
                FTable[i] = 0xFF000000u | (f.Colors[i] & 0xFFFFFF);
        } else if (f.BitCount == 16) {
            FTable.resize(65536);
            uint8_t two[2];
            for (uint32_t v = 0; v < 65536; ++v) {
                two[0] = uint8_t(v), two[1] = uint8_t(v >> 8);
                FTable[v] = 0xFF000000u | DibPixelColor(f, two, 0);
            }
        }
    }
    void Decode(const uint8_t* row, int32_t w, uint32_t* out) const {
        switch (FFormat.BitCount) {
        case 1:
        case 4:
            for (int32_t x = 0; x < w; ++x)
                out[x] = FTable[DibIndexAt(FFormat.BitCount, row, x)];
            break;
        case 8:
            for (int32_t x = 0; x < w; ++x)
                out[x] = FTable[row[x]];
            break;
        case 16:
            for (int32_t x = 0; x < w; ++x)
                out[x] = FTable[BmpU16(row + 2 * size_t(x))];
            break;
        case 24:
            for (int32_t x = 0; x < w; ++x, row += 3)
                out[x] = 0xFF000000u | uint32_t(row[2]) << 16 | uint32_t(row[1]) << 8 | row[0];
            break;
        case 32: {
            uint32_t alphaOr = FFormat.HasAlpha ? 0 : 0xFF000000u;
            for (int32_t x = 0; x < w; ++x, row += 4)
                out[x] = alphaOr | uint32_t(row[3]) << 24 | uint32_t(row[2]) << 16 | uint32_t(row[1]) << 8 |
                         row[0];
            break;
        }
        }
    }

private:
    const TDibFormat& FFormat;
    std::vector<uint32_t> FTable;
};

} // namespace

void ConvertDibPixels(const TDibFormat& source, const uint8_t* sourceBits, const TDibFormat& dest,
                      uint8_t* destBits) {
    const int32_t w = std::min(source.Width, dest.Width);
    const int32_t h = std::min(source.Height, dest.Height);
    if (w <= 0 || h <= 0)
        return;
    const size_t sourceRow = size_t(source.RowBytes()), destRow = size_t(dest.RowBytes());
    auto sourceTop = [&](int32_t y) { return sourceBits + size_t(source.Height - 1 - y) * sourceRow; };
    auto destTop = [&](int32_t y) { return destBits + size_t(dest.Height - 1 - y) * destRow; };

    // The same layout copies the stored values, so indexed pixels keep their indices even when the colour
    // table holds a colour twice.
    if (DibSameLayout(source, dest)) {
        for (int32_t y = 0; y < h; ++y) {
            const uint8_t* s = sourceTop(y);
            uint8_t* d = destTop(y);
            if (source.BitCount >= 8)
                std::memcpy(d, s, size_t(w) * (source.BitCount / 8));
            else
                for (int32_t x = 0; x < w; ++x)
                    DibSetIndex(source.BitCount, d, x, DibIndexAt(source.BitCount, s, x));
        }
        return;
    }

    DibRowDecoder decoder(source);
    std::vector<uint32_t> argb(static_cast<size_t>(w));
    const BmpChannel red(dest.RedMask), green(dest.GreenMask), blue(dest.BlueMask);
    // Indexed targets remember the last colour looked up: runs of one colour are the common case.
    uint32_t lastColor = 0xFFFFFFFF;
    unsigned lastIndex = 0;
    for (int32_t y = 0; y < h; ++y) {
        decoder.Decode(sourceTop(y), w, argb.data());
        uint8_t* d = destTop(y);
        switch (dest.BitCount) {
        case 1:
        case 4:
        case 8:
            for (int32_t x = 0; x < w; ++x) {
                uint32_t color = argb[x] & 0xFFFFFF;
                if (color != lastColor) {
                    lastColor = color;
                    lastIndex = unsigned(NearestColorIndex(dest.Colors, color));
                }
                DibSetIndex(dest.BitCount, d, x, lastIndex);
            }
            break;
        case 16:
            for (int32_t x = 0; x < w; ++x) {
                uint32_t c = argb[x];
                uint32_t px =
                    red.Insert(uint8_t(c >> 16)) | green.Insert(uint8_t(c >> 8)) | blue.Insert(uint8_t(c));
                d[2 * size_t(x)] = uint8_t(px);
                d[2 * size_t(x) + 1] = uint8_t(px >> 8);
            }
            break;
        case 24:
            for (int32_t x = 0; x < w; ++x, d += 3) {
                uint32_t c = argb[x];
                d[0] = uint8_t(c), d[1] = uint8_t(c >> 8), d[2] = uint8_t(c >> 16);
            }
            break;
        case 32:
            for (int32_t x = 0; x < w; ++x, d += 4) {
                uint32_t c = argb[x];
                d[0] = uint8_t(c), d[1] = uint8_t(c >> 8), d[2] = uint8_t(c >> 16);
                d[3] = dest.HasAlpha ? uint8_t(c >> 24) : 0;
            }
            break;
        }
    }
}

} // namespace vcl
