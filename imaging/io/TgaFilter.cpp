#include "imaging/io/TgaFilter.h"

#include "imaging/core/IKBitmap.h"
#include "imaging/core/IKMask.h"
#include "imaging/core/IKPixelUtils.h"
#include "imaging/io/IOByteReader.h"
#include "imaging/io/IOCodecUtil.h"
#include "imaging/io/IOFilterSupport.h"
#include "imaging/io/IOParams.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/SysUtils.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace imaging {

namespace {

constexpr int32_t TgaHeaderSize = 18;
constexpr int32_t TgaFooterSize = 26;
constexpr int32_t TgaExtensionSize = 495;
constexpr char TgaSignature[] = "TRUEVISION-XFILE.";

struct TTgaHeader {
    uint8_t IdLength = 0;
    uint8_t ColorMapType = 0;
    uint8_t ImageType = 0;
    uint16_t MapFirst = 0;
    uint16_t MapLength = 0;
    uint8_t MapEntrySize = 0;
    uint16_t XOrigin = 0;
    uint16_t YOrigin = 0;
    uint16_t Width = 0;
    uint16_t Height = 0;
    uint8_t Bits = 0;
    uint8_t Descriptor = 0;
};

TTgaHeader TgaParseHeader(const uint8_t* b) {
    TTgaHeader h;
    h.IdLength = b[0];
    h.ColorMapType = b[1];
    h.ImageType = b[2];
    h.MapFirst = IOGetLE16(b + 3);
    h.MapLength = IOGetLE16(b + 5);
    h.MapEntrySize = b[7];
    h.XOrigin = IOGetLE16(b + 8);
    h.YOrigin = IOGetLE16(b + 10);
    h.Width = IOGetLE16(b + 12);
    h.Height = IOGetLE16(b + 14);
    h.Bits = b[16];
    h.Descriptor = b[17];
    return h;
}

bool TgaUsableHeader(const TTgaHeader& h) {
    const uint8_t t = h.ImageType;
    const uint8_t b = h.Bits;
    return (t == 1 || t == 2 || t == 3 || t == 9 || t == 10 || t == 11) &&
           (b == 1 || b == 4 || b == 8 || b == 16 || b == 24 || b == 32) && h.ColorMapType <= 1;
}

// Red in bits 10-14, green 5-9, blue 0-4; the top bit is not colour.
TIKColorTriple TgaSplit16(uint32_t v) {
    return TIKColorTriple{IOWiden5(v & 31), IOWiden5((v >> 5) & 31), IOWiden5((v >> 10) & 31)};
}

std::string TgaText(const uint8_t* p, size_t length) {
    size_t n = 0;
    while (n < length && p[n] != 0)
        ++n;
    return std::string(reinterpret_cast<const char*>(p), n);
}

// The footer and the extension area: author, job name, time stamp, key colour, aspect ratio and gamma.
void TgaReadExtension(vcl::TStream* stream, int64_t start, TIOParamsVals& params) {
    params.TgaAuthor.clear();
    params.TgaName.clear();
    params.TgaDate = vcl::Date();
    params.TgaBackground = TIKColorTriple{};
    params.TgaAspectRatio = 1.0;
    params.TgaGamma = 2.2;
    const int64_t size = stream->GetSize();
    if (size - start < TgaHeaderSize + TgaFooterSize)
        return;
    uint8_t footer[TgaFooterSize];
    stream->SetPosition(size - TgaFooterSize);
    if (stream->Read(footer, TgaFooterSize) < TgaFooterSize)
        return;
    if (TgaText(footer + 8, 18) != TgaSignature)
        return;
    const uint32_t offset = IOGetLE32(footer);
    if (offset == 0 || start + int64_t(offset) + TgaExtensionSize > size)
        return;
    uint8_t ext[TgaExtensionSize];
    stream->SetPosition(start + offset);
    if (stream->Read(ext, TgaExtensionSize) < TgaExtensionSize)
        return;
    params.TgaAuthor = TgaText(ext + 2, 41);
    params.TgaName = TgaText(ext + 379, 41);
    const int32_t month = IOGetLE16(ext + 367), day = IOGetLE16(ext + 369), year = IOGetLE16(ext + 371);
    const int32_t hour = IOGetLE16(ext + 373), minute = IOGetLE16(ext + 375), second = IOGetLE16(ext + 377);
    if (month != 0 && day != 0 && year != 0 && year < 2500 && month < 13 && day < 32 && hour < 24 &&
        minute < 60 && second < 60) {
        vcl::TDateTime date = 0, time = 0;
        if (vcl::TryEncodeDate(year, month, day, date) && vcl::TryEncodeTime(hour, minute, second, 0, time))
            params.TgaDate = date + time;
    }
    params.TgaBackground = IKMakeRGBTriple(ext[471], ext[472], ext[473]);
    const uint16_t aspectNum = IOGetLE16(ext + 474), aspectDen = IOGetLE16(ext + 476);
    if (aspectNum != 0 && aspectDen != 0)
        params.TgaAspectRatio = double(aspectNum) / aspectDen;
    const uint16_t gammaNum = IOGetLE16(ext + 478), gammaDen = IOGetLE16(ext + 480);
    if (gammaNum != 0 && gammaDen != 0)
        params.TgaGamma = double(gammaNum) / gammaDen;
}

// The state of one read: the header, the working palette and the pixel source.
struct TTgaReader {
    TTgaHeader H;
    TIKColorTriple Palette[256];
    int32_t BytesPerPixel = 0; // 0 for one- and four-bit pixels
    // Run-length state carried from one row to the next: packets may cross the end of a row.
    int32_t RunLeft = 0;
    bool RunRepeat = false;
    uint8_t RunValue[4] = {};
};

void TgaMakeGrayPalette(TIKColorTriple* palette) {
    for (int32_t i = 0; i < 256; ++i)
        palette[i] = TIKColorTriple{uint8_t(i), uint8_t(i), uint8_t(i)};
}

// Reads the identification field and the colour map; false when the data ends inside them or the map's
// entry size is unknown.
bool TgaReadMap(TIKByteReader& in, TTgaReader& r, TIOParamsVals& params) {
    const TTgaHeader& h = r.H;
    std::string description(h.IdLength, '\0');
    if (in.Read(description.data(), h.IdLength) < h.IdLength)
        return false;
    params.TgaDescription = description;
    for (int32_t i = 0; i < 256; ++i)
        r.Palette[i] = IKMakeRGBTriple(uint8_t((i >> 5) * 32 + 28), uint8_t(((i >> 2) & 7) * 32 + 28),
                                       uint8_t((i & 3) * 64 + 60));
    params.TgaGrayLevel = 0;
    if (h.ColorMapType == 1) {
        const int32_t entryBytes = h.MapEntrySize == 15 ? 2 : h.MapEntrySize / 8;
        if (h.MapEntrySize != 15 && h.MapEntrySize != 16 && h.MapEntrySize != 24 && h.MapEntrySize != 32)
            return false;
        // Entries are read to their end; those past index 255 cannot be reached by a pixel and are skipped.
        for (int32_t i = 0; i < h.MapLength; ++i) {
            uint8_t e[4];
            if (in.Read(e, entryBytes) < entryBytes)
                return false;
            const int32_t index = h.MapFirst + i;
            if (index > 255)
                continue;
            r.Palette[index] = entryBytes == 2 ? TgaSplit16(IOGetLE16(e)) : TIKColorTriple{e[0], e[1], e[2]};
        }
        params.ColorMap.assign(r.Palette, r.Palette + std::min<int32_t>(h.MapLength, 256));
    } else if (h.Bits == 8) {
        TgaMakeGrayPalette(r.Palette);
        params.TgaGrayLevel = 1;
    } else if (h.Bits == 1) {
        r.Palette[0] = TIKColorTriple{};
        r.Palette[1] = TIKColorTriple{255, 255, 255};
    }
    return true;
}

// Decodes pixel values of bpp bytes into B, G, R (and alpha) values.
inline void TgaPixelValue(const TTgaReader& r, const uint8_t* v, uint8_t* out, uint8_t& alpha) {
    switch (r.BytesPerPixel) {
    case 1: {
        const TIKColorTriple c = r.Palette[v[0]];
        out[0] = c.B;
        out[1] = c.G;
        out[2] = c.R;
        break;
    }
    case 2: {
        const TIKColorTriple c = TgaSplit16(IOGetLE16(v));
        out[0] = c.B;
        out[1] = c.G;
        out[2] = c.R;
        break;
    }
    default:
        out[0] = v[0];
        out[1] = v[1];
        out[2] = v[2];
        alpha = r.BytesPerPixel == 4 ? v[3] : 255;
        break;
    }
}

// Decodes one row of a byte-sized depth into 24-bit pixels and alpha; false when the data ends first.
bool TgaDecodeRow(TIKByteReader& in, TTgaReader& r, int32_t width, uint8_t* pixels, uint8_t* alpha) {
    const int32_t bpp = r.BytesPerPixel;
    const bool rle = r.H.ImageType >= 9;
    uint8_t value[4];
    int32_t x = 0;
    while (x < width) {
        if (!rle) {
            if (in.Read(value, bpp) < bpp)
                return false;
            TgaPixelValue(r, value, pixels + 3 * size_t(x), alpha[x]);
            ++x;
            continue;
        }
        if (r.RunLeft == 0) {
            const int32_t packet = in.GetByte();
            if (packet < 0)
                return false;
            r.RunLeft = (packet & 127) + 1;
            r.RunRepeat = (packet & 128) != 0;
            if (r.RunRepeat && in.Read(r.RunValue, bpp) < bpp)
                return false;
        }
        const int32_t n = std::min(r.RunLeft, width - x);
        for (int32_t i = 0; i < n; ++i, ++x) {
            const uint8_t* v = r.RunValue;
            if (!r.RunRepeat) {
                if (in.Read(value, bpp) < bpp)
                    return false;
                v = value;
            }
            TgaPixelValue(r, v, pixels + 3 * size_t(x), alpha[x]);
        }
        r.RunLeft -= n;
    }
    return true;
}

// Mirrors a row left to right.
void TgaMirrorRow(uint8_t* pixels, uint8_t* alpha, int32_t width, bool oneBit) {
    if (oneBit) {
        std::vector<uint8_t> copy(pixels, pixels + (size_t(width) + 7) / 8);
        std::fill(copy.begin(), copy.end(), 0);
        for (int32_t x = 0; x < width; ++x)
            if (IKTestBit(pixels, x))
                copy[size_t(width - 1 - x) >> 3] |= IKBitMask[(width - 1 - x) & 7];
        std::copy(copy.begin(), copy.end(), pixels);
        return;
    }
    for (int32_t a = 0, b = width - 1; a < b; ++a, --b) {
        std::swap_ranges(pixels + 3 * size_t(a), pixels + 3 * size_t(a) + 3, pixels + 3 * size_t(b));
        std::swap(alpha[a], alpha[b]);
    }
}

// The fewest data bytes that can hold the image's pixels.
int64_t TgaMinimumData(const TTgaHeader& h) {
    const int64_t pixels = int64_t(h.Width) * h.Height;
    if (h.Bits == 1)
        return (int64_t(h.Width) + 7) / 8 * h.Height;
    if (h.Bits == 4)
        return (int64_t(h.Width) + 1) / 2 * h.Height;
    const int64_t bpp = h.Bits / 8;
    if (h.ImageType < 9)
        return pixels * bpp;
    return (pixels + 127) / 128 * (1 + bpp); // every packet gives at most 128 pixels
}

void TgaDecode(vcl::TStream* stream, TIKBitmap* bitmap, TIOParamsVals& params, TIKProgressContext& progress,
               TIKReadMode mode, std::unique_ptr<TIKMask>& alphaMask, TIKAlphaMode alphaMode) {
    const int64_t start = stream->GetPosition();
    TgaReadExtension(stream, start, params);
    stream->SetPosition(start);
    TIKByteReader in(stream);
    uint8_t raw[TgaHeaderSize];
    if (in.Read(raw, TgaHeaderSize) < TgaHeaderSize) {
        progress.SetAborting();
        return;
    }
    TTgaReader r;
    r.H = TgaParseHeader(raw);
    const TTgaHeader& h = r.H;
    params.TgaXPosition = h.XOrigin;
    params.TgaYPosition = h.YOrigin;
    if (!TgaUsableHeader(h)) {
        progress.SetAborting();
        return;
    }
    params.FreeColorMap();
    if (!TgaReadMap(in, r, params)) {
        progress.SetAborting();
        return;
    }
    params.TgaCompressed = h.ImageType >= 9 ? 1 : 0;
    const int32_t width = h.Width;
    const int32_t height = h.Height;
    params.Width = width;
    params.Height = height;
    params.DpiX = IKDefaultDpiX;
    params.DpiY = IKDefaultDpiY;
    // Indices of 1, 4 or 8 bits; 5-5-5 colour in 16 bits; 8-bit samples of colour, then alpha.
    const bool indexed = h.Bits == 1 || h.Bits == 4 || h.Bits == 8;
    params.BitsPerSample = indexed ? h.Bits : h.Bits == 16 ? 5 : 8;
    params.SamplesPerPixel = indexed ? 1 : h.Bits == 16 || h.Bits == 24 ? 3 : 4;
    if (mode == ikrmParamsOnly)
        return;
    // Packed depths are stored uncompressed only; an empty image or too little data is damage.
    const bool packed = h.Bits == 1 || h.Bits == 4;
    if ((packed && h.ImageType >= 9) || width == 0 || height == 0 ||
        int64_t(width) * height > IKMaxReadPixels || in.Remaining() < TgaMinimumData(h)) {
        progress.SetAborting();
        return;
    }
    // One-bit images stay one-bit when their two colours are black and white.
    const TIKColorTriple black{}, white{255, 255, 255};
    const bool oneBit = h.Bits == 1 && r.Palette[0] == black && r.Palette[1] == white;
    bitmap->Allocate(width, height, oneBit ? ikbf1Bit : ikbf24Bit);
    const bool withAlpha = alphaMode == ikamKeep && h.Bits == 32 && (h.Descriptor & 8) != 0;
    if (withAlpha) {
        if (!alphaMask)
            alphaMask = std::make_unique<TIKMask>();
        alphaMask->Allocate(width, height, 8);
        alphaMask->Fill(255);
        alphaMask->SetFull(false);
    }
    r.BytesPerPixel = packed ? 0 : h.Bits / 8;
    const bool topDown = (h.Descriptor & 0x20) != 0;
    const bool rightToLeft = (h.Descriptor & 0x10) != 0;
    const size_t packedBytes = h.Bits == 1 ? (size_t(width) + 7) / 8 : (size_t(width) + 1) / 2;
    std::vector<uint8_t> pixels(size_t(width) * 3 + 8);
    std::vector<uint8_t> alpha(size_t(width), 255);
    std::vector<uint8_t> packedRow(packedBytes);
    IKFilterStartRows(progress, height);
    for (int32_t i = 0; i < height; ++i) {
        const int32_t y = topDown ? i : height - 1 - i;
        bool ok;
        if (packed) {
            ok = in.Read(packedRow.data(), int64_t(packedBytes)) == int64_t(packedBytes);
            if (ok && h.Bits == 4) {
                for (int32_t x = 0; x < width; ++x) {
                    const int32_t index =
                        x % 2 == 0 ? packedRow[size_t(x) / 2] >> 4 : packedRow[size_t(x) / 2] & 15;
                    const TIKColorTriple c = r.Palette[index];
                    std::memcpy(pixels.data() + 3 * size_t(x), &c, 3);
                }
            } else if (ok && oneBit) {
                std::copy(packedRow.begin(), packedRow.end(), pixels.begin());
            } else if (ok) {
                for (int32_t x = 0; x < width; ++x) {
                    const TIKColorTriple c = r.Palette[IKTestBit(packedRow.data(), x) ? 1 : 0];
                    std::memcpy(pixels.data() + 3 * size_t(x), &c, 3);
                }
            }
        } else {
            ok = TgaDecodeRow(in, r, width, pixels.data(), alpha.data());
        }
        if (!ok) {
            progress.SetAborting(); // the rows read so far stay
            return;
        }
        if (rightToLeft)
            TgaMirrorRow(pixels.data(), alpha.data(), width, oneBit);
        std::memcpy(bitmap->ScanLine(y), pixels.data(), oneBit ? packedBytes : size_t(width) * 3);
        if (withAlpha)
            std::memcpy(alphaMask->ScanLine(y), alpha.data(), size_t(width));
        progress.AdvanceRows();
    }
}

// ---- Writing ---------------------------------------------------------------------------------------------

// Run-length codes a row of count pixels of size bytes each.
void TgaEncodeRle(const uint8_t* row, int32_t count, int32_t size, std::vector<uint8_t>& out) {
    auto same = [&](int32_t a, int32_t b) {
        return std::memcmp(row + size_t(a) * size, row + size_t(b) * size, size_t(size)) == 0;
    };
    int32_t i = 0;
    while (i < count) {
        int32_t run = 1;
        while (run < 128 && i + run < count && same(i, i + run))
            ++run;
        if (run >= 2) {
            out.push_back(uint8_t(128 + run - 1));
            out.insert(out.end(), row + size_t(i) * size, row + size_t(i + 1) * size);
            i += run;
            continue;
        }
        int32_t n = 1;
        while (i + n < count && n < 128 && !(i + n + 1 < count && same(i + n, i + n + 1)))
            ++n;
        out.push_back(uint8_t(n - 1));
        out.insert(out.end(), row + size_t(i) * size, row + size_t(i + n) * size);
        i += n;
    }
}

// A ratio as a numerator and denominator of 16 bits: ten thousandths, or coarser when that overflows.
void TgaPutRatio(uint8_t* p, double value) {
    uint32_t den = 10000;
    double scaled = value > 0 ? value * den : 0;
    while (scaled > 65535 && den > 1) {
        den /= 10;
        scaled = value * den;
    }
    IOPutLE16(p, uint32_t(std::min(scaled, 65535.0)));
    IOPutLE16(p + 2, den);
}

void TgaWriteExtensionAndFooter(vcl::TStream* stream, int64_t start, TIOParamsVals& params,
                                TIKProgressContext& progress) {
    const int64_t extensionPos = stream->GetPosition();
    uint8_t ext[TgaExtensionSize] = {};
    IOPutLE16(ext, TgaExtensionSize);
    std::memcpy(ext + 2, params.TgaAuthor.data(), std::min<size_t>(params.TgaAuthor.size(), 40));
    std::memcpy(ext + 379, params.TgaName.data(), std::min<size_t>(params.TgaName.size(), 40));
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, msec = 0;
    vcl::DecodeDate(params.TgaDate, year, month, day);
    vcl::DecodeTime(params.TgaDate, hour, minute, second, msec);
    const int values[6] = {month, day, year, hour, minute, second};
    for (int32_t i = 0; i < 6; ++i)
        IOPutLE16(ext + 367 + 2 * i, uint32_t(values[i]));
    ext[470] = 0;
    ext[471] = params.TgaBackground.R;
    ext[472] = params.TgaBackground.G;
    ext[473] = params.TgaBackground.B;
    TgaPutRatio(ext + 474, params.TgaAspectRatio);
    TgaPutRatio(ext + 478, params.TgaGamma);
    IKFilterWrite(stream, progress, ext, TgaExtensionSize);

    uint8_t footer[TgaFooterSize] = {};
    const uint32_t offset = uint32_t(extensionPos - start);
    IOPutLE32(footer, offset);
    std::memcpy(footer + 8, TgaSignature, sizeof TgaSignature);
    IKFilterWrite(stream, progress, footer, TgaFooterSize);
}

} // namespace

bool IsTgaStream(vcl::TStream* stream) {
    const int64_t start = stream->GetPosition();
    uint8_t raw[TgaHeaderSize];
    const bool read = stream->Read(raw, TgaHeaderSize) == TgaHeaderSize;
    stream->SetPosition(start);
    return read && TgaUsableHeader(TgaParseHeader(raw));
}

void DecodeTgaToBitmap(vcl::TStream* stream, TIKBitmap* bitmap, TIOParamsVals& params,
                       TIKProgressContext& progress, TIKReadMode mode, std::unique_ptr<TIKMask>& alphaMask,
                       TIKAlphaMode alphaMode) {
    TgaDecode(stream, bitmap, params, progress, mode, alphaMask, alphaMode);
}

void EncodeBitmapToTga(vcl::TStream* stream, TIKBitmap* bitmap, TIOParamsVals& params,
                       TIKProgressContext& progress, TIKMask* alphaMask) {
    const TIKBitmapFormat format = bitmap->PixelFormat();
    const int32_t width = bitmap->Width();
    const int32_t height = bitmap->Height();
    if ((format != ikbf1Bit && format != ikbf24Bit) || width <= 0 || height <= 0 || width > 65535 ||
        height > 65535)
        return;
    const int64_t start = stream->GetPosition();

    // The output depth and the source in the form it needs.
    int32_t depth;
    std::unique_ptr<TIKBitmap> converted;
    TIKBitmap* source = bitmap;
    std::unique_ptr<TIOPalette> quantizer;
    std::vector<TIKColorTriple> palette{TIKColorTriple{}, TIKColorTriple{255, 255, 255}};
    const bool gray = params.TgaGrayLevel != 0;
    if (params.SamplesPerPixel == 1 && params.BitsPerSample == 1) {
        depth = 1;
        if (format == ikbf24Bit) {
            TIKColorTriple c0, c1;
            converted = IOTwoColorBitmap(bitmap, c0, c1);
            if (!converted)
                converted = IOCopyToOneBit(bitmap);
            source = converted.get();
        }
        params.TgaCompressed = 0;
    } else if (params.SamplesPerPixel == 1 && (params.BitsPerSample == 4 || params.BitsPerSample == 8)) {
        depth = params.BitsPerSample;
        if (format == ikbf24Bit && !(depth == 8 && gray)) {
            quantizer = std::make_unique<TIOPalette>(bitmap, 1 << depth);
            palette = quantizer->Colors();
            params.ColorMap = palette;
        }
        palette.resize(size_t(1) << depth);
        if (depth == 4)
            params.TgaCompressed = 0;
    } else if (alphaMask && !alphaMask->GetFull() && alphaMask->GetWidth() >= width &&
               alphaMask->GetHeight() >= height) {
        depth = 32;
        params.TgaCompressed = 0;
    } else {
        depth = 24;
    }
    const bool compress = params.TgaCompressed != 0 && (depth == 8 || depth == 24);
    const bool mapped = depth == 4 || (depth == 8 && !gray);

    uint8_t header[TgaHeaderSize] = {};
    const std::string& description = params.TgaDescription;
    const size_t idLength = std::min<size_t>(description.size() + 1, 255);
    header[0] = uint8_t(idLength);
    header[1] = mapped ? 1 : 0;
    header[2] = uint8_t((depth == 1 || (depth == 8 && gray) ? 3 : mapped ? 1 : 2) + (compress ? 8 : 0));
    if (depth == 4 || depth == 8) {
        IOPutLE16(header + 5, 1u << depth);
        header[7] = 24;
    }
    IOPutLE16(header + 8, uint32_t(params.TgaXPosition));
    IOPutLE16(header + 10, uint32_t(params.TgaYPosition));
    IOPutLE16(header + 12, uint32_t(width));
    IOPutLE16(header + 14, uint32_t(height));
    header[16] = uint8_t(depth);
    header[17] = uint8_t(0x20 + (depth == 32 ? 8 : 0));
    IKFilterWrite(stream, progress, header, TgaHeaderSize);
    std::vector<uint8_t> id(idLength, 0);
    std::memcpy(id.data(), description.data(), idLength - 1);
    IKFilterWrite(stream, progress, id.data(), int32_t(idLength));
    if (mapped) {
        std::vector<uint8_t> map;
        for (const TIKColorTriple& c : palette)
            map.insert(map.end(), {c.B, c.G, c.R});
        IKFilterWrite(stream, progress, map.data(), int32_t(map.size()));
    }

    const int32_t pixelBytes = depth == 32 ? 4 : depth == 24 ? 3 : depth == 8 ? 1 : 0;
    const size_t rowBytes = depth == 1   ? (size_t(width) + 7) / 8
                            : depth == 4 ? (size_t(width) + 1) / 2
                                         : size_t(width) * pixelBytes;
    std::vector<uint8_t> out(rowBytes);
    std::vector<uint8_t> coded;
    IKFilterStartRows(progress, height);
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* row = source->ScanLine(y);
        const bool oneBitRow = source->PixelFormat() == ikbf1Bit;
        auto colorAt = [&](int32_t x) {
            if (oneBitRow)
                return IKTestBit(row, x) ? TIKColorTriple{255, 255, 255} : TIKColorTriple{};
            return TIKColorTriple{row[3 * x], row[3 * x + 1], row[3 * x + 2]};
        };
        auto indexAt = [&](int32_t x) {
            if (oneBitRow)
                return IKTestBit(row, x) ? 1 : 0;
            return quantizer ? quantizer->Index(colorAt(x)) : 0;
        };
        std::fill(out.begin(), out.end(), 0);
        if (depth == 1) {
            std::memcpy(out.data(), row, rowBytes);
        } else if (depth == 4) {
            for (int32_t x = 0; x < width; ++x)
                out[size_t(x) / 2] |= uint8_t(x % 2 == 0 ? indexAt(x) << 4 : indexAt(x));
        } else if (depth == 8) {
            for (int32_t x = 0; x < width; ++x)
                out[size_t(x)] = gray ? uint8_t(IKTripleGrayLevel(colorAt(x))) : uint8_t(indexAt(x));
        } else {
            for (int32_t x = 0; x < width; ++x) {
                const TIKColorTriple c = colorAt(x);
                uint8_t* p = out.data() + size_t(x) * pixelBytes;
                p[0] = c.B;
                p[1] = c.G;
                p[2] = c.R;
                if (depth == 32) {
                    const int32_t a = alphaMask->GetPixel(x, y);
                    p[3] = alphaMask->GetBitsPerPixel() == 1 ? (a ? 255 : 0) : uint8_t(a);
                }
            }
        }
        if (compress) {
            coded.clear();
            TgaEncodeRle(out.data(), width, pixelBytes, coded);
            IKFilterWrite(stream, progress, coded.data(), int32_t(coded.size()));
        } else {
            IKFilterWrite(stream, progress, out.data(), int32_t(rowBytes));
        }
        progress.AdvanceRows();
    }
    TgaWriteExtensionAndFooter(stream, start, params, progress);
}

} // namespace imaging
