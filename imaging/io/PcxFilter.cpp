#include "imaging/io/PcxFilter.h"

#include "imaging/core/IKBitmap.h"
#include "imaging/core/IKPixelUtils.h"
#include "imaging/io/IOCodecUtil.h"
#include "imaging/io/IOFilterSupport.h"
#include "imaging/io/IOParams.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Streams.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace imaging {

namespace {

constexpr int32_t PcxHeaderSize = 128;
constexpr int32_t PcxPaletteSize = 768;
constexpr uint8_t PcxManufacturer = 10;
constexpr uint8_t PcxPaletteMarker = 12;
// A run byte codes at most 63 copies in two bytes.
constexpr int64_t PcxMaxExpansion = 63;

struct TPcxHeader {
    uint8_t Manufacturer = 0;
    uint8_t Version = 0;
    uint8_t Encoding = 0;
    uint8_t Bits = 0;
    uint16_t XMin = 0, YMin = 0, XMax = 0, YMax = 0;
    uint16_t DpiX = 0, DpiY = 0;
    TIKColorTriple Palette[16];
    uint8_t Planes = 0;
    uint16_t Bpl = 0;
};

TPcxHeader PcxParseHeader(const uint8_t* b) {
    TPcxHeader h;
    h.Manufacturer = b[0];
    h.Version = b[1];
    h.Encoding = b[2];
    h.Bits = b[3];
    h.XMin = IOGetLE16(b + 4);
    h.YMin = IOGetLE16(b + 6);
    h.XMax = IOGetLE16(b + 8);
    h.YMax = IOGetLE16(b + 10);
    h.DpiX = IOGetLE16(b + 12);
    h.DpiY = IOGetLE16(b + 14);
    for (int32_t i = 0; i < 16; ++i)
        h.Palette[i] = IKMakeRGBTriple(b[16 + 3 * i], b[17 + 3 * i], b[18 + 3 * i]);
    h.Planes = b[65];
    h.Bpl = IOGetLE16(b + 66);
    return h;
}

// The layouts the reader decodes: planes x bits per plane.
bool PcxKnownLayout(int32_t planes, int32_t bits) {
    return (planes == 1 && (bits == 1 || bits == 2 || bits == 4 || bits == 8)) ||
           (planes == 3 && bits == 8) || (planes == 4 && bits == 1);
}

// How a two-colour image is stored: as one-bit rows when its colours are black and white (inverted for
// white and black), else in colour through its palette. A palette with two equal entries (files that leave
// it zero) counts as black and white.
enum TPcxTwoColor { pcxBlackWhite, pcxWhiteBlack, pcxColored };

TPcxTwoColor PcxTwoColorKind(const TIKColorTriple* palette) {
    const TIKColorTriple black{}, white{255, 255, 255};
    if (palette[0] == palette[1] || (palette[0] == black && palette[1] == white))
        return pcxBlackWhite;
    if (palette[0] == white && palette[1] == black)
        return pcxWhiteBlack;
    return pcxColored;
}

void PcxPutPixel(uint8_t* row, int32_t x, TIKColorTriple c) {
    row[3 * size_t(x)] = c.B;
    row[3 * size_t(x) + 1] = c.G;
    row[3 * size_t(x) + 2] = c.R;
}

// Decodes the rows of a checked header; false when the data ends before the last row.
bool PcxDecodeRows(const TPcxHeader& h, const uint8_t* data, int64_t dataSize,
                   const TIKColorTriple* bigPalette, TIKBitmap* bitmap, int32_t width, int32_t height,
                   TPcxTwoColor twoColor, TIKProgressContext& progress) {
    const int32_t bpl = h.Bpl;
    const int32_t planes = h.Planes;
    std::vector<uint8_t> rows(size_t(bpl) * planes);
    const TIKPcxCompression coding = h.Encoding == ikpcRle ? ikpcRle : ikpcNone;
    int64_t pos = 0;
    int32_t carryCount = 0;
    uint8_t carryValue = 0;
    IKFilterStartRows(progress, height);
    for (int32_t y = 0; y < height; ++y) {
        progress.Report(int32_t(y * progress.PerRowStep));
        if (progress.IsAborting())
            return true;
        for (int32_t p = 0; p < planes; ++p)
            if (!DecodePcxRow(data, dataSize, pos, rows.data() + size_t(p) * bpl, bpl, coding, carryCount,
                              carryValue))
                return false;
        uint8_t* row = bitmap->ScanLine(y);
        const uint8_t* src = rows.data();
        if (planes == 1 && h.Bits == 1 && twoColor != pcxColored) {
            const size_t n = (size_t(width) + 7) / 8;
            for (size_t i = 0; i < n; ++i)
                row[i] = twoColor == pcxWhiteBlack ? uint8_t(~src[i]) : src[i];
        } else if (planes == 1) {
            const int32_t bits = h.Bits;
            const int32_t perByte = 8 / bits;
            const int32_t mask = (1 << bits) - 1;
            for (int32_t x = 0; x < width; ++x) {
                const int32_t shift = 8 - bits * (x % perByte + 1);
                const int32_t index = (src[x / perByte] >> shift) & mask;
                PcxPutPixel(row, x, bits == 8 ? bigPalette[index] : h.Palette[index]);
            }
        } else if (planes == 3) {
            for (int32_t x = 0; x < width; ++x)
                PcxPutPixel(row, x, IKMakeRGBTriple(src[x], src[bpl + x], src[2 * bpl + x]));
        } else { // four one-bit planes
            for (int32_t x = 0; x < width; ++x) {
                int32_t index = 0;
                for (int32_t p = 0; p < 4; ++p)
                    if (src[size_t(p) * bpl + (x >> 3)] & IKBitMask[x & 7])
                        index |= 1 << p;
                PcxPutPixel(row, x, h.Palette[index]);
            }
        }
        ++progress.RowsDone;
    }
    return true;
}

void PcxDecode(vcl::TStream* stream, TIKBitmap* bitmap, TIOParamsVals& params, int64_t size,
               TIKProgressContext& progress, TIKReadMode mode) {
    const int64_t start = stream->GetPosition();
    size = std::min(size, stream->GetSize() - start);
    uint8_t raw[PcxHeaderSize];
    if (size < PcxHeaderSize || stream->Read(raw, PcxHeaderSize) < PcxHeaderSize) {
        progress.SetAborting();
        return;
    }
    const TPcxHeader h = PcxParseHeader(raw);
    if (h.Manufacturer != PcxManufacturer || h.Bits > 8 || h.Encoding > ikpcRle) {
        progress.SetAborting();
        return;
    }
    const int32_t width = int32_t(h.XMax) - h.XMin + 1;
    const int32_t height = int32_t(h.YMax) - h.YMin + 1;
    const bool known = PcxKnownLayout(h.Planes, h.Bits);
    // Rows must hold the image's pixels: bytes per plane row smaller than a row of pixels is damage.
    if (!known || width < 1 || height < 1 || int64_t(h.Bpl) * 8 < int64_t(width) * h.Bits) {
        progress.SetAborting();
        return;
    }
    const bool bigPalette = h.Planes == 1 && h.Bits == 8;
    if (bigPalette && size < PcxHeaderSize + PcxPaletteSize + 1) {
        progress.SetAborting();
        return;
    }

    params.DpiX = h.DpiX;
    params.DpiY = h.DpiY;
    if (h.DpiX == 0 || h.DpiY == 0) {
        params.DpiX = IKDefaultDpiX;
        params.DpiY = IKDefaultDpiY;
    }
    TIKColorTriple palette256[256];
    if (bigPalette) {
        uint8_t pal[PcxPaletteSize];
        stream->SetPosition(start + size - PcxPaletteSize);
        if (stream->Read(pal, PcxPaletteSize) < PcxPaletteSize) {
            progress.SetAborting();
            return;
        }
        for (int32_t i = 0; i < 256; ++i)
            palette256[i] = IKMakeRGBTriple(pal[3 * i], pal[3 * i + 1], pal[3 * i + 2]);
        stream->SetPosition(start + PcxHeaderSize);
    }
    params.BitsPerSample = h.Bits;
    params.SamplesPerPixel = h.Planes;
    params.Width = width;
    params.Height = height;
    params.PcxVersion = h.Version;
    params.FreeColorMap();
    if (bigPalette) {
        params.ColorMap.assign(palette256, palette256 + 256);
    } else if (h.Bits == 1 && h.Planes == 4) {
        params.ColorMap.assign(h.Palette, h.Palette + 16);
        params.BitsPerSample = 4;
        params.SamplesPerPixel = 1;
    } else if (h.Bits < 8) {
        params.ColorMap.assign(h.Palette, h.Palette + (1 << h.Bits));
    }
    if (mode == ikrmParamsOnly)
        return;

    // What the data can expand to must cover the image before anything is allocated for it.
    const int64_t dataSize = size - PcxHeaderSize;
    const int64_t needed = int64_t(h.Bpl) * h.Planes * height;
    const int64_t reachable = h.Encoding == ikpcRle ? dataSize / 2 * PcxMaxExpansion + 1 : dataSize;
    if (int64_t(width) * height > IKMaxReadPixels || reachable < needed) {
        progress.SetAborting();
        return;
    }
    if (dataSize > INT32_MAX) {
        progress.SetAborting();
        return;
    }
    std::vector<uint8_t> data(static_cast<size_t>(dataSize));
    if (stream->Read(data.data(), int32_t(dataSize)) < dataSize) {
        progress.SetAborting();
        return;
    }
    const TPcxTwoColor twoColor = h.Planes == 1 && h.Bits == 1 ? PcxTwoColorKind(h.Palette) : pcxColored;
    const bool oneBit = h.Planes == 1 && h.Bits == 1 && twoColor != pcxColored;
    bitmap->Allocate(width, height, oneBit ? ikbf1Bit : ikbf24Bit);
    if (!PcxDecodeRows(h, data.data(), dataSize, palette256, bitmap, width, height, twoColor, progress))
        progress.SetAborting(); // the rows decoded so far stay
}

} // namespace

bool DecodePcxRow(const uint8_t* data, int64_t dataSize, int64_t& pos, uint8_t* row, int32_t bpl,
                  TIKPcxCompression coding, int32_t& carryCount, uint8_t& carryValue) {
    if (coding != ikpcRle) {
        if (dataSize - pos < bpl)
            return false;
        std::memcpy(row, data + pos, size_t(bpl));
        pos += bpl;
        return true;
    }
    int32_t filled = 0;
    while (filled < bpl) {
        if (carryCount > 0) {
            const int32_t n = std::min(carryCount, bpl - filled);
            std::memset(row + filled, carryValue, size_t(n));
            filled += n;
            carryCount -= n;
            continue;
        }
        if (pos >= dataSize)
            return false;
        const uint8_t b = data[pos++];
        if (b < 0xC0) {
            row[filled++] = b;
            continue;
        }
        if (pos >= dataSize)
            return false;
        carryValue = data[pos++];
        carryCount = b & 0x3F;
    }
    return true;
}

void DecodePcxToBitmap(vcl::TStream* stream, TIKBitmap* bitmap, TIOParamsVals& params, int64_t size,
                       TIKProgressContext& progress, TIKReadMode mode) {
    try {
        PcxDecode(stream, bitmap, params, size, progress, mode);
    } catch (const vcl::Exception&) {
        progress.SetAborting();
    } catch (const std::bad_alloc&) {
        progress.SetAborting();
    }
}

void DecodePcxFileToBitmap(const std::string& fileName, TIKBitmap* bitmap, TIOParamsVals& params,
                           TIKProgressContext& progress) {
    vcl::TFileStream file(fileName, vcl::fmOpenRead | vcl::fmShareDenyWrite);
    DecodePcxToBitmap(&file, bitmap, params, file.GetSize(), progress, ikrmImage);
}

int32_t EncodePcxRow(uint8_t* output, const uint8_t* source, int32_t count, int32_t stride, int32_t offset) {
    int32_t out = 0;
    int32_t i = 0;
    while (i < count) {
        const uint8_t v = source[offset + size_t(stride) * i];
        int32_t run = 1;
        while (run < 63 && i + run < count && source[offset + size_t(stride) * (i + run)] == v)
            ++run;
        if (run > 1 || v >= 0xC0) {
            output[out++] = uint8_t(0xC0 + run);
            output[out++] = v;
        } else {
            output[out++] = v;
        }
        i += run;
    }
    if (count % 2 == 1)
        output[out++] = 0;
    return out;
}

void EncodeBitmapToPcx(vcl::TStream* stream, TIKBitmap* bitmap, TIOParamsVals& params,
                       TIKProgressContext& progress) {
    const int32_t width = bitmap->Width();
    const int32_t height = bitmap->Height();
    if (width <= 0 || height <= 0 || bitmap->PixelFormat() == ikbfNone)
        return;
    const int32_t depth = params.BitsPerSample == 1 ? 1 : params.BitsPerSample * params.SamplesPerPixel;
    const bool compress = params.PcxCompression != ikpcNone;

    // The source in the form the depth needs.
    std::unique_ptr<TIKBitmap> converted;
    TIKBitmap* source = bitmap;
    TIKColorTriple color0{}, color1{255, 255, 255};
    if (depth == 1 && bitmap->PixelFormat() != ikbf1Bit) {
        if (bitmap->PixelFormat() == ikbf24Bit)
            converted = IOTwoColorBitmap(bitmap, color0, color1);
        if (!converted) {
            color0 = TIKColorTriple{};
            color1 = TIKColorTriple{255, 255, 255};
            converted = IOCopyToOneBit(bitmap);
        }
        source = converted.get();
    } else if (depth != 1 && bitmap->PixelFormat() != ikbf24Bit) {
        converted = IOCopyTo24Bit(bitmap);
        source = converted.get();
    }

    uint8_t header[PcxHeaderSize] = {};
    header[0] = PcxManufacturer;
    header[1] = uint8_t(params.PcxVersion);
    header[2] = compress ? 1 : 0;
    IOPutLE16(header + 8, uint32_t(width - 1));
    IOPutLE16(header + 10, uint32_t(height - 1));
    IOPutLE16(header + 12, uint32_t(params.DpiX));
    IOPutLE16(header + 14, uint32_t(params.DpiY));
    int32_t bytesPerRow = 0;
    std::unique_ptr<TIOPalette> quantizer;
    auto putHeaderColor = [&](int32_t i, TIKColorTriple c) {
        header[16 + 3 * i] = c.R;
        header[17 + 3 * i] = c.G;
        header[18 + 3 * i] = c.B;
    };
    switch (depth) {
    case 1:
        header[3] = 1;
        header[65] = 1;
        bytesPerRow = (width + 7) / 8;
        putHeaderColor(0, color0);
        putHeaderColor(1, color1);
        break;
    case 4:
        header[3] = 4;
        header[65] = 1;
        bytesPerRow = (width + 1) / 2;
        quantizer = std::make_unique<TIOPalette>(source, 16);
        for (size_t i = 0; i < quantizer->Colors().size(); ++i)
            putHeaderColor(int32_t(i), quantizer->Colors()[i]);
        break;
    case 8:
        header[3] = 8;
        header[65] = 1;
        bytesPerRow = width;
        quantizer = std::make_unique<TIOPalette>(source, 256);
        break;
    case 24:
        header[3] = 8;
        header[65] = 3;
        bytesPerRow = width;
        break;
    default:
        break;
    }
    const int32_t bpl = (bytesPerRow + 1) / 2 * 2;
    IOPutLE16(header + 66, uint32_t(bpl));
    IOPutLE16(header + 68, depth == 24 ? 0 : 1);
    IKFilterWrite(stream, progress, header, PcxHeaderSize);
    if (bpl == 0)
        return;

    std::vector<uint8_t> line(size_t(bpl) * 3 + 8);
    std::vector<uint8_t> coded(size_t(bpl) * 2 + 8);
    IKFilterStartRows(progress, height);
    auto emit = [&](const uint8_t* bytes, int32_t stride, int32_t offset) {
        if (compress) {
            const int32_t n = EncodePcxRow(coded.data(), bytes, bytesPerRow, stride, offset);
            IKFilterWrite(stream, progress, coded.data(), n);
        } else if (stride == 1) {
            IKFilterWrite(stream, progress, bytes + offset, bpl);
        } else {
            for (int32_t i = 0; i < bytesPerRow; ++i)
                coded[size_t(i)] = bytes[offset + size_t(stride) * i];
            std::fill(coded.begin() + bytesPerRow, coded.begin() + bpl, 0);
            IKFilterWrite(stream, progress, coded.data(), bpl);
        }
    };
    for (int32_t y = 0; y < height; ++y) {
        progress.Report(int32_t(y * progress.PerRowStep));
        if (progress.IsAborting())
            break;
        const uint8_t* row = source->ScanLine(y);
        if (depth == 1) {
            std::fill(line.begin(), line.end(), 0);
            std::memcpy(line.data(), row, size_t(bytesPerRow));
            emit(line.data(), 1, 0);
        } else if (depth == 4 || depth == 8) {
            std::fill(line.begin(), line.end(), 0);
            for (int32_t x = 0; x < width; ++x) {
                const TIKColorTriple c{row[3 * x], row[3 * x + 1], row[3 * x + 2]};
                const uint8_t index = uint8_t(quantizer->Index(c));
                if (depth == 8)
                    line[size_t(x)] = index;
                else
                    line[size_t(x) / 2] |= uint8_t(x % 2 == 0 ? index << 4 : index);
            }
            emit(line.data(), 1, 0);
        } else {
            std::memcpy(line.data(), row, size_t(width) * 3);
            emit(line.data(), 3, 2); // red
            emit(line.data(), 3, 1); // green
            emit(line.data(), 3, 0); // blue
        }
        ++progress.RowsDone;
    }
    if (depth == 8 && !progress.IsAborting()) {
        uint8_t palette[1 + PcxPaletteSize] = {PcxPaletteMarker};
        const auto& colors = quantizer->Colors();
        for (size_t i = 0; i < colors.size() && i < 256; ++i) {
            palette[1 + 3 * i] = colors[i].R;
            palette[2 + 3 * i] = colors[i].G;
            palette[3 + 3 * i] = colors[i].B;
        }
        IKFilterWrite(stream, progress, palette, int32_t(sizeof palette));
    }
}

} // namespace imaging
