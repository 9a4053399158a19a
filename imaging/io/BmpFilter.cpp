#include "imaging/io/BmpFilter.h"

#include "imaging/core/IKBitmap.h"
#include "imaging/core/IKMask.h"
#include "imaging/core/IKPixelUtils.h"
#include "imaging/io/IOCodecUtil.h"
#include "imaging/io/IOParams.h"
#include "platform/vcl/BmpFormat.h"
#include "platform/vcl/ImageBudget.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/SysUtils.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace imaging {

namespace {

constexpr int32_t BmpFileHeaderSize = 14;
constexpr int64_t BmpMaxHeaderSize = 1 << 16; // larger information headers are not BMP files

// Reads count bytes; false when the stream holds fewer.
bool BmpReadAll(vcl::TStream* stream, void* buffer, int64_t count) {
    auto* p = static_cast<uint8_t*>(buffer);
    while (count > 0) {
        const auto chunk = int32_t(std::min<int64_t>(count, 1 << 30));
        const int32_t got = stream->Read(p, chunk);
        if (got <= 0)
            return false;
        p += got;
        count -= got;
    }
    return true;
}

// One colour channel of a bit-field pixel: the field shifted down and widened or narrowed to 8 bits. A
// narrow field is widened by repeating its bits below themselves, so that its largest value reads as 255
// (five bits: v << 3 | v >> 2) and the steps between values stay even.
struct TBmpField {
    uint32_t Mask = 0;
    int32_t Shift = 0;
    int32_t Width = 0;
    explicit TBmpField(uint32_t mask = 0) : Mask(mask) {
        if (mask == 0)
            return;
        while (!((mask >> Shift) & 1))
            ++Shift;
        Width = IKBitFieldWidth(mask);
    }
    uint8_t Get(uint32_t v) const {
        if (Width == 0)
            return 0;
        const uint32_t field = (v & Mask) >> Shift;
        if (Width >= 8)
            return uint8_t(field >> (Width - 8));
        uint32_t wide = field << (8 - Width);
        for (int32_t filled = Width; filled < 8; filled *= 2)
            wide |= wide >> filled;
        return uint8_t(wide);
    }
};

struct TBmpRleTarget {
    TIKBitmap* Bitmap;
    TIKProgressContext& Progress;
    const TIKColorTriple* Palette;
    int32_t PaletteCount;
    int32_t Width, Height;
    int32_t Row; // top-down index of the current row
    int32_t Column = 0;
    bool BadIndex = false;

    void Put(int32_t index) {
        if (Column >= 0 && Column < Width && Row >= 0 && Row < Height) {
            TIKColorTriple c{};
            if (index < PaletteCount)
                c = Palette[index];
            else
                BadIndex = true;
            uint8_t* p = Bitmap->ScanLine(Row) + Column * 3;
            p[0] = c.B;
            p[1] = c.G;
            p[2] = c.R;
        }
        ++Column;
    }
    // False when decoding ends (no row left, or Aborting set).
    bool EndOfRow() {
        --Row;
        if (Row < 0)
            return false;
        if (Progress.OnProgress)
            Progress.OnProgress(Progress.Sender, int32_t((Height - Row) * Progress.PerRowStep));
        if (Progress.IsAborting())
            return false;
        Column = 0;
        return true;
    }
};

bool BmpDecodeRle(TIKBitmap* bitmap, const uint8_t* data, int64_t dataSize, TIKProgressContext& progress,
                  const TIKColorTriple* palette, int32_t paletteCount, bool fourBit) {
    TBmpRleTarget t{
        bitmap, progress, palette, paletteCount, bitmap->Width(), bitmap->Height(), bitmap->Height() - 1};
    int64_t i = 0;
    bool finished = false;
    while (i + 1 < dataSize) {
        const uint8_t n = data[i], v = data[i + 1];
        i += 2;
        if (n > 0) {
            for (int32_t k = 0; k < n; ++k)
                t.Put(fourBit ? (k % 2 == 0 ? v >> 4 : v & 15) : v);
            continue;
        }
        if (v == 0) {
            if (!t.EndOfRow()) {
                finished = true;
                break;
            }
        } else if (v == 1) {
            finished = true;
            break;
        } else if (v == 2) {
            if (i + 1 >= dataSize)
                break;
            t.Column += data[i];
            t.Row -= data[i + 1];
            i += 2;
            if (t.Row < 0) {
                finished = true;
                break;
            }
        } else {
            // v literal pixels, their bytes padded to an even count.
            const int64_t bytes = fourBit ? (v + 1) / 2 : v;
            if (i + bytes > dataSize)
                break;
            for (int32_t k = 0; k < v; ++k)
                t.Put(fourBit ? (k % 2 == 0 ? data[i + k / 2] >> 4 : data[i + k / 2] & 15) : data[i + k]);
            i += bytes + (bytes & 1);
        }
    }
    if (t.BadIndex)
        progress.SetAborting();
    return finished && !t.BadIndex;
}

// ---- Run-length row coding ------------------------------------------------------------------------------

struct TBmpRleWriter {
    uint8_t* Out;
    int32_t Length = 0;
    bool FourBit;
    void Put(uint8_t b) { Out[Length++] = b; }

    void Flush(const uint8_t* pixels, int32_t count) {
        while (count > 0) {
            const int32_t n = std::min(count, 255);
            if (n == 1) {
                Put(1);
                Put(FourBit ? uint8_t(pixels[0] << 4) : pixels[0]);
            } else if (n == 2) {
                if (FourBit) {
                    Put(2);
                    Put(uint8_t(pixels[0] << 4 | (pixels[1] & 15)));
                } else {
                    Put(1);
                    Put(pixels[0]);
                    Put(1);
                    Put(pixels[1]);
                }
            } else {
                Put(0);
                Put(uint8_t(n));
                int32_t bytes = 0;
                if (FourBit) {
                    for (int32_t k = 0; k < n; k += 2, ++bytes)
                        Put(uint8_t(pixels[k] << 4 | (k + 1 < n ? pixels[k + 1] & 15 : 0)));
                } else {
                    for (int32_t k = 0; k < n; ++k, ++bytes)
                        Put(pixels[k]);
                }
                if (bytes & 1)
                    Put(0);
            }
            pixels += n;
            count -= n;
        }
    }

    int32_t Row(const uint8_t* indexes, int32_t count) {
        int32_t pendingStart = 0, pending = 0;
        int32_t i = 0;
        while (i < count) {
            if (i + 1 < count && indexes[i] == indexes[i + 1]) {
                Flush(indexes + pendingStart, pending);
                pending = 0;
                int32_t run = 1;
                while (i + run < count && run < 255 && indexes[i + run] == indexes[i])
                    ++run;
                const uint8_t v = FourBit ? uint8_t((indexes[i] & 15) * 17) : indexes[i];
                Put(uint8_t(run));
                Put(v);
                i += run;
                pendingStart = i;
                continue;
            }
            if (pending == 255) {
                Flush(indexes + pendingStart, pending);
                pendingStart = i;
                pending = 0;
            }
            ++pending;
            ++i;
        }
        Flush(indexes + pendingStart, pending);
        Put(0);
        Put(0);
        return Length;
    }
};

} // namespace

bool DecodeBmpRle8(TIKBitmap* bitmap, const uint8_t* data, int64_t dataSize, TIKProgressContext& progress,
                   const TIKColorTriple* palette, int32_t paletteCount) {
    return BmpDecodeRle(bitmap, data, dataSize, progress, palette, paletteCount, false);
}

bool DecodeBmpRle4(TIKBitmap* bitmap, const uint8_t* data, int64_t dataSize, TIKProgressContext& progress,
                   const TIKColorTriple* palette, int32_t paletteCount) {
    return BmpDecodeRle(bitmap, data, dataSize, progress, palette, paletteCount, true);
}

int32_t EncodeBmpRle8Row(const uint8_t* indexes, int32_t count, uint8_t* output) {
    TBmpRleWriter w{output, 0, false};
    return w.Row(indexes, count);
}

int32_t EncodeBmpRle4Row(const uint8_t* indexes, int32_t count, uint8_t* output) {
    TBmpRleWriter w{output, 0, true};
    return w.Row(indexes, count);
}

void DecodeBmpToBitmap(vcl::TStream* stream, TIKBitmap* bitmap, int64_t size, TIOParamsVals& params,
                       TIKProgressContext& progress, TIKReadMode mode, std::unique_ptr<TIKMask>* alphaMask,
                       TIKAlphaMode alphaMode) {
    const int64_t start = stream->GetPosition();
    uint8_t fileHeader[BmpFileHeaderSize];
    if (!BmpReadAll(stream, fileHeader, BmpFileHeaderSize) || fileHeader[0] != 'B' || fileHeader[1] != 'M') {
        progress.SetAborting();
        return;
    }
    if (size <= 0 && IOGetLE32(fileHeader + 2) != 0)
        size = IOGetLE32(fileHeader + 2);
    const uint32_t dataOffset = IOGetLE32(fileHeader + 10);
    params.FreeColorMap();

    uint8_t header[64] = {};
    if (!BmpReadAll(stream, header, 4)) {
        progress.SetAborting();
        return;
    }
    const uint32_t headerSize = IOGetLE32(header);
    int64_t width = 0, height = 0;
    int32_t bits = 0;
    uint32_t compression = 0;
    bool coreHeader = headerSize == 12;
    std::vector<TIKColorTriple> palette;
    uint32_t masks[4] = {}; // red, green, blue, alpha
    bool masksInHeader = false;
    if (coreHeader) {
        if (!BmpReadAll(stream, header + 4, 8)) {
            progress.SetAborting();
            return;
        }
        params.BmpVersion = ikbvCore12;
        width = int16_t(IOGetLE16(header + 4));
        height = int16_t(IOGetLE16(header + 6));
        bits = IOGetLE16(header + 10);
        params.DpiX = IKDefaultDpiX;
        params.DpiY = IKDefaultDpiY;
        if (bits <= 8 && bits > 0) {
            std::vector<uint8_t> raw(size_t(3) << bits);
            if (!BmpReadAll(stream, raw.data(), int64_t(raw.size()))) {
                progress.SetAborting();
                return;
            }
            palette.resize(size_t(1) << bits);
            for (size_t i = 0; i < palette.size(); ++i)
                palette[i] = {raw[i * 3], raw[i * 3 + 1], raw[i * 3 + 2]};
        }
    } else {
        if (headerSize < 16 || headerSize > BmpMaxHeaderSize) {
            progress.SetAborting();
            return;
        }
        const uint32_t take = std::min<uint32_t>(64, headerSize);
        if (!BmpReadAll(stream, header + 4, take - 4)) {
            progress.SetAborting();
            return;
        }
        if (headerSize > 64)
            stream->Seek(headerSize - 64, vcl::soCurrent);
        params.BmpVersion = headerSize == 64 ? ikbvInfo64 : headerSize == 40 ? ikbvInfo40 : ikbvOther;
        width = int32_t(IOGetLE32(header + 4));
        height = int32_t(IOGetLE32(header + 8));
        bits = IOGetLE16(header + 14);
        compression = IOGetLE32(header + 16);
        params.DpiX = int32_t(vcl::Round(int32_t(IOGetLE32(header + 24)) / 100.0 * 2.54));
        params.DpiY = int32_t(vcl::Round(int32_t(IOGetLE32(header + 28)) / 100.0 * 2.54));
        if (params.DpiX == 0)
            params.DpiX = IKDefaultDpiX;
        if (params.DpiY == 0)
            params.DpiY = IKDefaultDpiY;
        // Headers of 52 bytes and more hold the bit-field masks themselves; after a 40-byte header they
        // follow it.
        if (compression == 3) {
            if (headerSize >= 52) {
                masksInHeader = true;
            } else {
                uint8_t raw[12];
                if (!BmpReadAll(stream, raw, 12)) {
                    progress.SetAborting();
                    return;
                }
                std::memcpy(header + 40, raw, 12);
                masksInHeader = true;
            }
        }
        uint32_t colors = IOGetLE32(header + 32);
        if (colors > 256)
            colors = 0;
        if (colors == 0 && bits <= 8 && bits > 0)
            colors = 1u << bits;
        if (colors != 0) {
            std::vector<uint8_t> raw(size_t(colors) * 4);
            if (!BmpReadAll(stream, raw.data(), int64_t(raw.size()))) {
                progress.SetAborting();
                return;
            }
            palette.resize(colors);
            for (size_t i = 0; i < colors; ++i)
                palette[i] = {raw[i * 4], raw[i * 4 + 1], raw[i * 4 + 2]};
        }
    }
    if (masksInHeader)
        for (int k = 0; k < 3; ++k)
            masks[k] = IOGetLE32(header + 40 + 4 * k);
    // Headers of 56 bytes and more hold an alpha mask after the colour masks.
    if (compression == 3 && headerSize >= 56)
        masks[3] = IOGetLE32(header + 52);
    if (!palette.empty()) {
        TIKColorTriple* map = params.NewColorMap(int32_t(palette.size()));
        std::copy(palette.begin(), palette.end(), map);
    }
    if (compression == 0 || compression == 3)
        params.BmpCompression = ikbcNone;
    else if (compression == 1 || compression == 2)
        params.BmpCompression = ikbcRle;

    // A negative height stores the top row first.
    const bool topDown = height < 0;
    if (topDown)
        height = -height;
    params.Width = int32_t(width);
    params.Height = int32_t(height);
    switch (bits) {
    case 1:
    case 4:
    case 8:
        params.BitsPerSample = bits;
        params.SamplesPerPixel = 1;
        break;
    case 16:
        params.BitsPerSample = 5;
        params.SamplesPerPixel = 3;
        break;
    case 24:
    case 32:
        params.BitsPerSample = 8;
        params.SamplesPerPixel = 3;
        break;
    default:
        break;
    }

    // What this reader can decode; anything else is reported, never returned as an empty image.
    const bool rle = compression == 1 || compression == 2;
    const bool supported =
        width > 0 && height > 0 && width * height <= IOMaxImagePixels &&
        ((compression == 0 &&
          (bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32)) ||
         (compression == 1 && bits == 8 && !topDown) || (compression == 2 && bits == 4 && !topDown) ||
         (compression == 3 && (bits == 16 || bits == 32)));
    if (!supported) {
        progress.SetAborting();
        return;
    }
    if (compression == 3 && masks[0] == 0 && masks[1] == 0 && masks[2] == 0) {
        progress.SetAborting();
        return;
    }
    if (dataOffset != 0) {
        if (size > 0 && dataOffset >= size) {
            progress.SetAborting();
            return;
        }
        stream->SetPosition(start + dataOffset);
    }
    if (mode == ikrmParamsOnly)
        return;

    const int32_t w = int32_t(width), h = int32_t(height);
    const int64_t rowLength = IKRowLength(width, bits);
    // One bit stays one bit only for a black-and-white palette (set bits white); other palettes decode to
    // colour.
    bool oneBit = false, invert = false;
    if (bits == 1 && palette.size() == 2) {
        const TIKColorTriple black{}, white{255, 255, 255};
        oneBit = (palette[0] == black && palette[1] == white) || (palette[0] == white && palette[1] == black);
        invert = oneBit && palette[0] == white;
    }
    const bool withAlpha = masks[3] != 0 && (bits == 16 || bits == 32) && alphaMask && alphaMode == ikamKeep;
    // The data must be there before the image is allocated: uncompressed rows take their full size, and
    // run-length data fills no more than the class library's rule for BMP readers allows. The picture and
    // its alpha fit the reading budget.
    const int64_t available = stream->GetSize() - stream->GetPosition();
    const int64_t cost =
        vcl::ImageReadBytes(IKRowLength(width, oneBit ? 1 : 24) + (withAlpha ? width : 0), height);
    // Run-length data runs to the end of the file, or as far as the header says; never past the stream's end.
    int64_t rleBytes = size > 0 ? start + size - stream->GetPosition() : int64_t(IOGetLE32(header + 20));
    if (rleBytes <= 0 || rleBytes > available)
        rleBytes = available;
    if ((!rle && rowLength * height > available) ||
        (rle && !vcl::BmpRleDataCanFill(width, height, rleBytes)) || !vcl::ImageReadFits(cost)) {
        progress.SetAborting();
        return;
    }
    bitmap->Allocate(w, h, oneBit ? ikbf1Bit : ikbf24Bit);
    progress.RowsDone = 0;
    progress.PerRowStep = 100.0 / h;

    if (rle) {
        const int64_t dataSize = rleBytes;
        if (dataSize <= 0) {
            progress.SetAborting();
            return;
        }
        std::vector<uint8_t> data(static_cast<size_t>(dataSize));
        if (!BmpReadAll(stream, data.data(), dataSize))
            progress.SetAborting();
        const bool ok = compression == 1 ? DecodeBmpRle8(bitmap, data.data(), dataSize, progress,
                                                         palette.data(), int32_t(palette.size()))
                                         : DecodeBmpRle4(bitmap, data.data(), dataSize, progress,
                                                         palette.data(), int32_t(palette.size()));
        if (!ok)
            progress.SetAborting();
        return;
    }

    const TBmpField red(masks[0] ? masks[0] : bits == 16 ? 0x7C00u : 0xFF0000u);
    const TBmpField green(masks[1] ? masks[1] : bits == 16 ? 0x03E0u : 0xFF00u);
    const TBmpField blue(masks[2] ? masks[2] : bits == 16 ? 0x001Fu : 0xFFu);
    const TBmpField alphaField(masks[3]);
    TIKMask* mask = nullptr;
    bool anyAlpha = false;
    if (withAlpha) {
        if (!*alphaMask)
            *alphaMask = std::make_unique<TIKMask>();
        mask = alphaMask->get();
        mask->Allocate(w, h, 8);
        mask->Fill(255);
        mask->SetFull(false);
    }
    const auto paletteCount = int32_t(palette.size());
    bool badIndex = false;
    std::vector<uint8_t> fileRow(static_cast<size_t>(rowLength));
    for (int32_t k = 0; k < h; ++k) {
        progress.Report(int32_t(k * progress.PerRowStep));
        if (progress.IsAborting())
            return;
        if (!BmpReadAll(stream, fileRow.data(), rowLength)) {
            // A file that ends early: the rows it holds stay, the read fails.
            progress.SetAborting();
            return;
        }
        uint8_t* row = bitmap->ScanLine(topDown ? k : h - 1 - k);
        const uint8_t* in = fileRow.data();
        if (oneBit) {
            std::memcpy(row, in, size_t(std::min<int64_t>(rowLength, bitmap->RowLength())));
            continue;
        }
        auto putIndex = [&](int32_t x, int32_t index) {
            TIKColorTriple c{};
            if (index < paletteCount)
                c = palette[size_t(index)];
            else
                badIndex = true;
            row[x * 3] = c.B;
            row[x * 3 + 1] = c.G;
            row[x * 3 + 2] = c.R;
        };
        switch (bits) {
        case 1:
            for (int32_t x = 0; x < w; ++x)
                putIndex(x, IKTestBit(in, x) ? 1 : 0);
            break;
        case 4:
            for (int32_t x = 0; x < w; ++x)
                putIndex(x, x % 2 == 0 ? in[x / 2] >> 4 : in[x / 2] & 15);
            break;
        case 8:
            for (int32_t x = 0; x < w; ++x)
                putIndex(x, in[x]);
            break;
        case 16:
        case 32:
            for (int32_t x = 0; x < w; ++x) {
                const uint32_t v = bits == 16 ? IOGetLE16(in + x * 2) : IOGetLE32(in + x * 4);
                row[x * 3] = blue.Get(v);
                row[x * 3 + 1] = green.Get(v);
                row[x * 3 + 2] = red.Get(v);
            }
            if (mask) {
                uint8_t* a = mask->ScanLine(topDown ? k : h - 1 - k);
                for (int32_t x = 0; x < w; ++x) {
                    a[x] = alphaField.Get(bits == 16 ? IOGetLE16(in + x * 2) : IOGetLE32(in + x * 4));
                    anyAlpha = anyAlpha || a[x] != 0;
                }
            }
            break;
        case 24:
            std::memcpy(row, in, size_t(w) * 3);
            break;
        default:
            break;
        }
    }
    if (invert)
        IKInvertBitmap(bitmap);
    // An alpha mask with nothing but zeros: the writer filled the mask but not the alpha.
    if (mask && !anyAlpha) {
        mask->Fill(255);
        mask->SetFull(true);
    }
    // Pixels whose index lies beyond the colour table were made black; the file is damaged.
    if (badIndex)
        progress.SetAborting();
}

void EncodeBitmapToBmp(vcl::TStream* stream, TIKBitmap* bitmap, TIOParamsVals& params,
                       TIKProgressContext& progress) {
    bool aborting = false;
    auto write = [&](const void* data, int64_t count) {
        if (count > 0)
            IKWriteStreamChecked(stream, aborting, data, int32_t(count));
        if (aborting)
            progress.SetAborting();
    };
    int32_t depth = params.BitsPerSample == 1 || params.BitsPerSample == 4 ? params.BitsPerSample
                    : params.SamplesPerPixel == 1                          ? 8
                                                                           : 24;
    const bool core = params.BmpVersion == ikbvCore12;
    const uint32_t headerSize = core ? 12 : params.BmpVersion == ikbvInfo64 ? 64 : 40;
    const int32_t w = bitmap->Width(), h = bitmap->Height();
    const bool rle = !core && params.BmpCompression == ikbcRle && (depth == 4 || depth == 8);

    const int64_t start = stream->GetPosition();
    uint8_t fileHeader[BmpFileHeaderSize] = {'B', 'M'};
    write(fileHeader, BmpFileHeaderSize);
    uint8_t header[64] = {};
    IOPutLE32(header, headerSize);
    if (core) {
        IOPutLE16(header + 4, uint32_t(w));
        IOPutLE16(header + 6, uint32_t(h));
        IOPutLE16(header + 8, 1);
    } else {
        IOPutLE32(header + 4, uint32_t(w));
        IOPutLE32(header + 8, uint32_t(h));
        IOPutLE16(header + 12, 1);
        IOPutLE32(header + 16, rle ? (depth == 4 ? 2 : 1) : 0);
        IOPutLE32(header + 24, uint32_t(vcl::Round(params.DpiX / 2.54 * 100)));
        IOPutLE32(header + 28, uint32_t(vcl::Round(params.DpiY / 2.54 * 100)));
        IOPutLE32(header + 32, depth <= 8 ? 1u << depth : 0);
        IOPutLE32(header + 36, depth < 32 ? 1u << depth : 0);
    }
    write(header, headerSize);

    progress.RowsDone = 0;
    progress.PerRowStep = h > 0 ? 100.0 / h : 0;
    const int64_t rowLength = IKRowLength(w, depth);
    std::vector<uint8_t> out(size_t(std::max<int64_t>(rowLength, int64_t(w) * 10 + 2)));
    auto writePalette = [&](const std::vector<TIKColorTriple>& colors) {
        TIKColorTriple* map = params.NewColorMap(int32_t(colors.size()));
        std::copy(colors.begin(), colors.end(), map);
        std::vector<uint8_t> raw;
        for (const TIKColorTriple& c : colors) {
            raw.insert(raw.end(), {c.B, c.G, c.R});
            if (!core)
                raw.push_back(0);
        }
        write(raw.data(), int64_t(raw.size()));
    };
    auto rowStart = [&](int32_t done) {
        progress.Report(int32_t(done * progress.PerRowStep));
        return !progress.IsAborting();
    };

    int64_t dataStart = 0;
    std::unique_ptr<TIKBitmap> copy;
    if (depth == 4 || depth == 8) {
        TIKBitmap* src = bitmap;
        if (bitmap->PixelFormat() != ikbf24Bit) {
            copy = IOCopyTo24Bit(bitmap);
            src = copy.get();
        }
        TIOPalette quantizer(src, 1 << depth);
        writePalette(quantizer.Colors());
        dataStart = stream->GetPosition();
        std::vector<uint8_t> indexes(static_cast<size_t>(w));
        for (int32_t y = h - 1; y >= 0; --y) {
            if (!rowStart(h - 1 - y))
                break;
            const uint8_t* row = src->ScanLine(y);
            for (int32_t x = 0; x < w; ++x)
                indexes[size_t(x)] = uint8_t(quantizer.Index({row[x * 3], row[x * 3 + 1], row[x * 3 + 2]}));
            if (rle) {
                const int32_t n = depth == 4 ? EncodeBmpRle4Row(indexes.data(), w, out.data())
                                             : EncodeBmpRle8Row(indexes.data(), w, out.data());
                write(out.data(), n);
            } else {
                std::fill(out.begin(), out.end(), 0);
                for (int32_t x = 0; x < w; ++x) {
                    if (depth == 8)
                        out[size_t(x)] = indexes[size_t(x)];
                    else
                        out[size_t(x / 2)] |=
                            uint8_t(x % 2 == 0 ? indexes[size_t(x)] << 4 : indexes[size_t(x)]);
                }
                write(out.data(), rowLength);
            }
        }
        if (rle && !progress.IsAborting()) {
            const uint8_t end[2] = {0, 1};
            write(end, 2);
        }
    } else if (depth == 1) {
        TIKBitmap* src = bitmap;
        std::vector<TIKColorTriple> colors{{0, 0, 0}, {255, 255, 255}};
        if (bitmap->PixelFormat() != ikbf1Bit) {
            std::unique_ptr<TIKBitmap> color;
            TIKBitmap* c24 = bitmap;
            if (bitmap->PixelFormat() != ikbf24Bit) {
                color = IOCopyTo24Bit(bitmap);
                c24 = color.get();
            }
            TIKColorTriple color0, color1;
            copy = IOTwoColorBitmap(c24, color0, color1);
            if (copy)
                colors = {color0, color1};
            else
                copy = IOCopyToOneBit(c24);
            src = copy.get();
        }
        writePalette(colors);
        dataStart = stream->GetPosition();
        for (int32_t y = h - 1; y >= 0; --y) {
            if (!rowStart(h - 1 - y))
                break;
            std::fill(out.begin(), out.end(), 0);
            std::memcpy(out.data(), src->ScanLine(y), size_t(std::min<int64_t>(rowLength, src->RowLength())));
            write(out.data(), rowLength);
        }
    } else {
        TIKBitmap* src = bitmap;
        if (bitmap->PixelFormat() != ikbf24Bit) {
            copy = IOCopyTo24Bit(bitmap);
            src = copy.get();
        }
        dataStart = stream->GetPosition();
        for (int32_t y = h - 1; y >= 0; --y) {
            if (!rowStart(h - 1 - y))
                break;
            std::fill(out.begin(), out.end(), 0);
            std::memcpy(out.data(), src->ScanLine(y), size_t(w) * 3);
            write(out.data(), rowLength);
        }
    }
    if (progress.IsAborting())
        return;
    const int64_t end = stream->GetPosition();
    IOPutLE32(fileHeader + 2, uint32_t(end - start));
    IOPutLE32(fileHeader + 10, uint32_t(dataStart - start));
    if (core) {
        IOPutLE16(header + 10, uint32_t(depth));
    } else {
        IOPutLE16(header + 14, uint32_t(depth));
        IOPutLE32(header + 20, uint32_t(end - dataStart));
    }
    stream->SetPosition(start);
    write(fileHeader, BmpFileHeaderSize);
    write(header, headerSize);
    stream->SetPosition(end);
}

} // namespace imaging
