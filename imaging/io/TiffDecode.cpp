// The pixel work of a TIFF page: strips and tiles are read, decompressed row by row, the horizontal
// predictor undone, and each row converted by the page's photometric interpretation into the bitmap (and
// its alpha into the mask).
#include "imaging/core/IKBitmap.h"
#include "imaging/core/IKMask.h"
#include "imaging/core/IKPixelUtils.h"
#include "imaging/io/Ccitt.h"
#include "imaging/io/IOFilterSupport.h"
#include "imaging/io/JpegFilter.h"
#include "imaging/io/TiffRead.h"
#include "platform/vcl/Streams.h"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace imaging {

namespace {

std::atomic<bool> TiffByteRowPathEnabled{true};

} // namespace

void SetTiffByteRowPath(bool enabled) {
    TiffByteRowPathEnabled.store(enabled, std::memory_order_relaxed);
}

TIKColorTriple TiffCmykToBgr(uint8_t c, uint8_t m, uint8_t y, uint8_t k) {
    return TIKColorTriple{uint8_t((255 - y) * (255 - k) / 255), uint8_t((255 - m) * (255 - k) / 255),
                          uint8_t((255 - c) * (255 - k) / 255)};
}

bool TiffPageSupported(const TTIFFVars& v) {
    const int32_t spp = v.SamplesPerPixel, bps = v.BitsPerSample;
    if (spp < 1 || spp > 16 || bps < 1 || bps > 16)
        return false;
    switch (v.Compression) {
    case 1:
    case 5:
    case 32773:
        break;
    case 2:
    case 3:
    case 4:
        if (spp != 1 || bps != 1)
            return false;
        break;
    case 7:
        // JPEG blocks are decoded to 8-bit gray or colour by the JPEG reader.
        if (bps != 8)
            return false;
        break;
    default:
        return false;
    }
    if (v.PlanarConfig != 1 && v.PlanarConfig != 2)
        return false;
    // Floating-point samples are not images of levels; JPEG blocks hold all samples of a pixel.
    if (v.SampleFormat == 3 || (v.Compression == 7 && v.PlanarConfig == 2))
        return false;
    switch (v.Photometric) {
    case 0:
    case 1:
        return spp <= 2 && (bps <= 8 || bps == 16);
    case 2:
        if (spp == 1)
            return bps == 16 && v.Compression != 7;
        return spp >= 3 && (bps == 8 || bps == 16);
    case 3:
        return spp <= 2 && bps <= 8 && !v.ColorMap.empty() && v.Compression != 7;
    case 5:
        return spp >= 4 && (bps == 8 || bps == 16) && v.Compression != 7;
    case 6:
        return v.Compression == 7 && spp == 3;
    case 8:
        return spp == 3 && bps == 8 && v.Compression != 7;
    default:
        return false;
    }
}

namespace {

// ---- Row decompression
// ------------------------------------------------------------------------------------- Produces the
// decompressed rows of one strip or tile (one sample plane of it when planes are separate).
class TiffRowSource {
public:
    TiffRowSource(const TTIFFVars& vars, std::vector<uint8_t> data, int32_t width, int32_t samplesInRow)
        : FVars(vars), FData(std::move(data)), FWidth(width) {
        FRowBytes = (int64_t(samplesInRow) * width * vars.BitsPerSample + 7) / 8;
        FRow.assign(size_t(FRowBytes) + 8, 0);
        bool ccitt = vars.Compression >= 2 && vars.Compression <= 4;
        if (ccitt)
            FRef.assign(size_t(FRowBytes), 0xFF);
        else if (vars.FillOrder == 2)
            for (auto& b : FData)
                b = IKReversedBits[b];
    }
    ~TiffRowSource() {
        if (FLzwState && FVars.LzwDecoder)
            FVars.LzwDecoder(nullptr, 0, 0, FLzwState);
    }
    TiffRowSource(const TiffRowSource&) = delete;
    TiffRowSource& operator=(const TiffRowSource&) = delete;

    int64_t RowBytes() const { return FRowBytes; }

    // The next row of RowBytes bytes; nullptr when the data cannot supply it.
    const uint8_t* NextRow() {
        const int64_t size = int64_t(FData.size());
        switch (FVars.Compression) {
        case 1:
            if (FPos + FRowBytes > size)
                return nullptr;
            FPos += FRowBytes;
            return FData.data() + FPos - FRowBytes;
        case 2:
            FPos += DecodeCcittMhRow(FRow.data(), FData.data() + std::min(FPos, size),
                                     size - std::min(FPos, size), FWidth, FVars.FillOrder);
            return FRow.data();
        case 3:
            if (FVars.T4Options & 1)
                FBitPos = DecodeCcitt2dRow(FRow.data(), FData.data(), size, (FVars.T4Options & 4) != 0,
                                           FVars.FillOrder, FBitPos, FRef.data(), FWidth);
            else
                FBitPos = DecodeCcittG3Row(FRow.data(), FData.data(), size, FWidth, FVars.FillOrder, FBitPos);
            return FRow.data();
        case 4:
            FBitPos = DecodeCcitt2dRow(FRow.data(), FData.data(), size, false, FVars.FillOrder, FBitPos,
                                       FRef.data(), FWidth);
            return FRow.data();
        case 5: {
            if (!FVars.LzwDecoder)
                return nullptr;
            // The coder's own row stays valid until its next call.
            return FVars.LzwDecoder(FData.data(), size, int32_t(FRowBytes), FLzwState);
        }
        case 32773:
            return PackBitsRow() ? FRow.data() : nullptr;
        default:
            return nullptr;
        }
    }

private:
    bool PackBitsRow() {
        const int64_t size = int64_t(FData.size());
        int64_t produced = 0;
        while (produced < FRowBytes) {
            if (FPos >= size)
                return false;
            int8_t n = int8_t(FData[size_t(FPos++)]);
            if (n >= 0) {
                int64_t count = std::min<int64_t>(n + 1, FRowBytes - produced);
                if (FPos + count > size)
                    return false;
                std::memcpy(FRow.data() + produced, FData.data() + FPos, size_t(count));
                FPos += n + 1; // a literal run cut by the end of the row still consumes all its bytes
                produced += count;
            } else if (n != -128) {
                if (FPos >= size)
                    return false;
                int64_t count = std::min<int64_t>(1 - n, FRowBytes - produced);
                std::memset(FRow.data() + produced, FData[size_t(FPos++)], size_t(count));
                produced += count;
            }
        }
        return true;
    }

    const TTIFFVars& FVars;
    std::vector<uint8_t> FData;
    int32_t FWidth;
    int64_t FRowBytes = 0;
    std::vector<uint8_t> FRow;
    std::vector<uint8_t> FRef;
    int64_t FPos = 0;
    int64_t FBitPos = 0;
    void* FLzwState = nullptr;
};

// ---- Samples
// ----------------------------------------------------------------------------------------------- Unpacks
// count samples of bits each (most significant bits first; 16-bit samples in the file's byte order).
void TiffUnpackSamples(const uint8_t* row, int64_t count, int32_t bits, bool littleEndian, uint16_t* out) {
    if (bits == 8) {
        for (int64_t i = 0; i < count; ++i)
            out[i] = row[i];
    } else if (bits == 16) {
        for (int64_t i = 0; i < count; ++i)
            out[i] = littleEndian ? uint16_t(row[2 * i] | row[2 * i + 1] << 8)
                                  : uint16_t(row[2 * i] << 8 | row[2 * i + 1]);
    } else {
        int64_t bit = 0;
        for (int64_t i = 0; i < count; ++i) {
            uint32_t v = 0;
            for (int32_t b = 0; b < bits; ++b, ++bit)
                v = v << 1 | ((row[bit >> 3] >> (7 - (bit & 7))) & 1);
            out[i] = uint16_t(v);
        }
    }
}

// Undoes the horizontal predictor on unpacked samples: each sample adds the same sample of the pixel before.
void TiffUndoPredictor(uint16_t* samples, int64_t pixels, int32_t spp, int32_t bits) {
    const uint32_t mask = bits == 16 ? 0xFFFF : (1u << bits) - 1;
    for (int64_t i = spp; i < pixels * spp; ++i)
        samples[i] = uint16_t((samples[i] + samples[i - spp]) & mask);
}

// ---- Row conversion
// ----------------------------------------------------------------------------------------
class TiffConverter {
public:
    TiffConverter(TTIFFVars& vars, TIKBitmap* bitmap, TIKRowClearer* clearer = nullptr)
        : FVars(vars), FBitmap(bitmap), FClearer(clearer) {
        FMax = vars.BitsPerSample == 16 ? 65535 : (1 << vars.BitsPerSample) - 1;
        // Some writers (Look@Vessa) store 12 significant bits in 16-bit gray samples.
        FGrayShift = vars.Software.compare(0, 15, "Look@Vessa v1.1") == 0 ? 4 : 8;
        FBilevel = bitmap->PixelFormat() == ikbf1Bit;
    }

    bool Bilevel() const { return FBilevel; }

    // Whether PutByteRow takes this page's rows: 8-bit samples of RGB without extra samples, or of one
    // gray or palette sample.
    bool ByteRows() const {
        if (FBilevel || FVars.BitsPerSample != 8 || !TiffByteRowPathEnabled.load(std::memory_order_relaxed))
            return false;
        switch (FVars.Photometric) {
        case 0:
        case 1:
        case 3:
            return FVars.SamplesPerPixel == 1;
        case 2:
            return FVars.SamplesPerPixel == 3;
        default:
            return false;
        }
    }

    // The same as unpacking the row to 16-bit samples, undoing the predictor and PutRow, for the pages
    // ByteRows takes: straight from the bytes, the predictor's sums carried along the row.
    void PutByteRow(const uint8_t* row, bool predictor, int32_t x0, int32_t y, int32_t width) {
        const int32_t count = std::min(width, FVars.ImageWidth - x0);
        if (count <= 0 || y >= FVars.ImageLength)
            return;
        uint8_t* out = TargetRow(y) + int64_t(x0) * 3;
        if (FVars.Photometric == 2) {
            if (predictor) {
                uint8_t r = 0, g = 0, b = 0;
                for (int32_t x = 0; x < count; ++x, row += 3, out += 3) {
                    r = uint8_t(r + row[0]);
                    g = uint8_t(g + row[1]);
                    b = uint8_t(b + row[2]);
                    out[0] = b;
                    out[1] = g;
                    out[2] = r;
                }
            } else {
                for (int32_t x = 0; x < count; ++x, row += 3, out += 3) {
                    out[0] = row[2];
                    out[1] = row[1];
                    out[2] = row[0];
                }
            }
            return;
        }
        // One sample a pixel: a level (inverted for WhiteIsZero) or a palette index, through a table.
        if (FByteTable.empty()) {
            FByteTable.resize(256);
            for (size_t v = 0; v < 256; ++v) {
                if (FVars.Photometric == 3) {
                    FByteTable[v] = v < FVars.ColorMap.size() ? FVars.ColorMap[v] : TIKColorTriple{};
                } else {
                    const auto level = uint8_t(FVars.Photometric == 0 ? 255 - v : v);
                    FByteTable[v] = TIKColorTriple{level, level, level};
                }
            }
        }
        const TIKColorTriple* table = FByteTable.data();
        uint8_t sum = 0;
        for (int32_t x = 0; x < count; ++x, out += 3) {
            sum = predictor ? uint8_t(sum + row[x]) : row[x];
            const TIKColorTriple c = table[sum];
            out[0] = c.B;
            out[1] = c.G;
            out[2] = c.R;
        }
    }

    // A one-bit row of width pixels (packed, as decompressed) into bitmap row y from column x0.
    void PutBilevelRow(const uint8_t* row, int32_t x0, int32_t y, int32_t width) {
        int32_t count = std::min(width, FVars.ImageWidth - x0);
        if (count <= 0 || y >= FVars.ImageLength)
            return;
        // The CCITT decoders give 1 for white; other data holds the samples, where 1 is white only for
        // BlackIsZero pages.
        bool ccitt = FVars.Compression >= 2 && FVars.Compression <= 4;
        bool invert = ccitt ? FVars.Photometric == 1 : FVars.Photometric == 0;
        const uint8_t* src = row;
        int64_t bytes = (int64_t(width) + 7) / 8;
        if (invert) {
            FInverted.resize(size_t(bytes));
            for (int64_t i = 0; i < bytes; ++i)
                FInverted[size_t(i)] = uint8_t(~row[i]);
            src = FInverted.data();
        }
        IKCopyBitRange(TargetRow(y), src, x0, 0, count, int32_t(bytes));
    }

    // width pixels of interleaved samples into bitmap row y from column x0.
    void PutRow(const uint16_t* row, int32_t x0, int32_t y, int32_t width) {
        int32_t count = std::min(width, FVars.ImageWidth - x0);
        if (count <= 0 || y >= FVars.ImageLength)
            return;
        const int32_t spp = FVars.SamplesPerPixel;
        uint8_t* out = TargetRow(y) + int64_t(x0) * 3;
        uint8_t* alpha = nullptr;
        int32_t alphaSample = -1;
        if ((FVars.Photometric <= 1 || FVars.Photometric == 3) && spp >= 2)
            alphaSample = 1;
        else if (FVars.Photometric == 2 && spp >= 4)
            alphaSample = 3;
        if (FVars.Mask && !FVars.IgnoreAlpha && alphaSample > 0) {
            alpha = FVars.Mask->ScanLine(y) + x0;
            FVars.Mask->SetFull(false);
        }
        // Associated alpha (ExtraSamples 1): the colour samples are stored multiplied by alpha.
        const int32_t colours = FVars.Photometric == 1 ? 1 : FVars.Photometric == 2 && spp >= 4 ? 3 : 0;
        const bool premultiplied = FVars.ExtraSamples == 1 && alphaSample > 0 && colours > 0;
        for (int32_t x = 0; x < count; ++x, out += 3) {
            const uint16_t* s = row + int64_t(x) * spp;
            if (premultiplied) {
                FUnmultiplied.assign(s, s + spp);
                UnmultiplyAlpha(FUnmultiplied.data(), colours, FUnmultiplied[size_t(alphaSample)]);
                s = FUnmultiplied.data();
            }
            TIKColorTriple c;
            switch (FVars.Photometric) {
            case 0:
            case 1: {
                uint8_t v;
                if (FVars.BitsPerSample == 16)
                    v = uint8_t((FVars.Photometric == 0 ? 65535 - s[0] : s[0]) >> FGrayShift);
                else {
                    v = Scale(s[0]);
                    if (FVars.Photometric == 0)
                        v = uint8_t(255 - v);
                }
                c = TIKColorTriple{v, v, v};
                break;
            }
            case 2:
                if (spp == 1) {
                    // 5-5-5 pixels in one 16-bit sample.
                    uint16_t w = s[0];
                    c = IKMakeRGBTriple(uint8_t(((w >> 10) & 31) * 8), uint8_t(((w >> 5) & 31) * 8),
                                        uint8_t((w & 31) * 8));
                } else {
                    c = IKMakeRGBTriple(Scale(s[0]), Scale(s[1]), Scale(s[2]));
                }
                break;
            case 3:
                c = s[0] < FVars.ColorMap.size() ? FVars.ColorMap[s[0]] : TIKColorTriple{};
                break;
            case 5:
                c = TiffCmykToBgr(Scale(s[0]), Scale(s[1]), Scale(s[2]), Scale(s[3]));
                break;
            case 8: {
                TIKCIELab lab{uint8_t(s[0]), int8_t(uint8_t(s[1])), int8_t(uint8_t(s[2]))};
                c = IKCIELabToRGB(lab);
                break;
            }
            default:
                break;
            }
            out[0] = c.B;
            out[1] = c.G;
            out[2] = c.R;
            if (alpha)
                alpha[x] = Scale(s[alphaSample]);
        }
    }

private:
    // Divides the first count samples by alpha, rounded, at most the largest sample; alpha 0 leaves 0.
    void UnmultiplyAlpha(uint16_t* samples, int32_t count, uint32_t alpha) const {
        for (int32_t k = 0; k < count; ++k)
            samples[k] =
                alpha == 0
                    ? 0
                    : uint16_t(std::min<uint64_t>((uint64_t(samples[k]) * uint32_t(FMax) + alpha / 2) / alpha,
                                                  uint32_t(FMax)));
    }

    uint8_t Scale(uint16_t v) const {
        if (FMax == 255)
            return uint8_t(v);
        if (FMax == 65535)
            return uint8_t(v >> 8);
        return uint8_t(std::min<uint32_t>(v, uint32_t(FMax)) * 255 / uint32_t(FMax));
    }

    // The row the converter is about to write, cleared first when the bitmap did not start zeroed.
    uint8_t* TargetRow(int32_t y) {
        if (FClearer)
            FClearer->Reach(y);
        return FBitmap->ScanLine(y);
    }

    TTIFFVars& FVars;
    TIKBitmap* FBitmap;
    TIKRowClearer* FClearer;
    int32_t FMax = 255;
    int32_t FGrayShift = 8;
    bool FBilevel = false;
    std::vector<uint8_t> FInverted;
    std::vector<uint16_t> FUnmultiplied;
    std::vector<TIKColorTriple> FByteTable; // PutByteRow's colour of each sample value
};

// ---- Blocks
// ------------------------------------------------------------------------------------------------ The bytes
// of one strip or tile: its byte count, or everything to the end of the stream when the count is missing or
// 0; never beyond the stream.
bool TiffReadBlock(const TTiffIfdContext& ifd, const std::vector<uint32_t>& offsets,
                   const std::vector<uint32_t>& counts, size_t index, std::vector<uint8_t>& data) {
    if (index >= offsets.size())
        return false;
    int64_t offset = offsets[index];
    int64_t available = ifd.StreamSize - ifd.Base - offset;
    if (available <= 0)
        return false;
    int64_t size =
        index < counts.size() && counts[index] != 0 ? std::min<int64_t>(counts[index], available) : available;
    data.resize(size_t(size));
    return ifd.ReadAt(offset, data.data(), size);
}

// Decodes one block of rows x width pixels at (x0, y0) from its planes (one for interleaved samples, one
// per sample when they are separate). False when a row could not be produced.
bool TiffDecodeBlock(TTIFFVars& vars, TiffConverter& conv, std::vector<std::vector<uint8_t>>& planes,
                     int32_t x0, int32_t y0, int32_t width, int32_t rows, TIKProgressContext& progress,
                     bool countRows) {
    const bool separate = planes.size() > 1;
    const int32_t spp = vars.SamplesPerPixel;
    std::vector<std::unique_ptr<TiffRowSource>> sources;
    for (auto& data : planes)
        sources.push_back(std::make_unique<TiffRowSource>(vars, std::move(data), width, separate ? 1 : spp));
    const bool predictor = vars.Predictor == 2 && vars.Compression == 5;
    const bool byteRows = !separate && conv.ByteRows();
    std::vector<uint16_t> samples(byteRows ? 0 : size_t(int64_t(width) * spp));
    std::vector<uint16_t> plane(separate ? size_t(width) : 0);
    rows = std::min(rows, vars.ImageLength - y0);
    for (int32_t r = 0; r < rows; ++r) {
        if (progress.IsAborting())
            return true;
        int32_t y = y0 + r;
        if (conv.Bilevel()) {
            const uint8_t* row = sources[0]->NextRow();
            if (!row)
                return false;
            conv.PutBilevelRow(row, x0, y, width);
        } else if (!separate && byteRows) {
            const uint8_t* row = sources[0]->NextRow();
            if (!row)
                return false;
            conv.PutByteRow(row, predictor, x0, y, width);
        } else if (!separate) {
            const uint8_t* row = sources[0]->NextRow();
            if (!row)
                return false;
            TiffUnpackSamples(row, int64_t(width) * spp, vars.BitsPerSample, vars.LittleEndian,
                              samples.data());
            if (predictor)
                TiffUndoPredictor(samples.data(), width, spp, vars.BitsPerSample);
            conv.PutRow(samples.data(), x0, y, width);
        } else {
            for (size_t p = 0; p < sources.size(); ++p) {
                const uint8_t* row = sources[p]->NextRow();
                if (!row)
                    return false;
                TiffUnpackSamples(row, width, vars.BitsPerSample, vars.LittleEndian, plane.data());
                if (predictor)
                    TiffUndoPredictor(plane.data(), width, 1, vars.BitsPerSample);
                for (int32_t x = 0; x < width; ++x)
                    samples[size_t(int64_t(x) * spp) + p] = plane[size_t(x)];
            }
            conv.PutRow(samples.data(), x0, y, width);
        }
        if (countRows)
            progress.AdvanceRows();
    }
    return true;
}

// Row length of a block, checked against the library's limit.
bool TiffBlockFits(const TTIFFVars& v, int64_t width, int64_t rows) {
    int64_t rowBytes = (int64_t(v.SamplesPerPixel) * width * v.BitsPerSample + 7) / 8;
    return width > 0 && rows > 0 && rowBytes <= IKTiffMaxRowBytes && width * rows <= IKMaxReadPixels;
}

// Decodes one JPEG datastream (with the page's tables, when it has them) into a new 24-bit bitmap. A block
// that is the whole page reports the reader's progress; others share only the Aborting flag.
bool TiffDecodeJpegStream(const TTIFFVars& vars, const std::vector<uint8_t>& data, TIKBitmap& out,
                          TIKProgressContext& progress, bool wholePage, TIKJpegOutput output) {
    TIKProgressContext quiet;
    quiet.Aborting = progress.Aborting;
    TIKProgressContext& use = wholePage ? progress : quiet;
    vcl::TReadOnlyMemoryStream stream(data.data(), int64_t(data.size()));
    vcl::TReadOnlyMemoryStream tables(vars.JPEGTables.data(), int64_t(vars.JPEGTables.size()));
    TIOParamsVals temp;
    try {
        DecodeJpegToBitmap(&stream, vars.JPEGTables.empty() ? nullptr : &tables, &out, temp, use, ikrmImage,
                           output);
    } catch (const vcl::Exception&) {
        progress.SetAborting();
        return false;
    }
    if (progress.IsAborting() || out.PixelFormat() != ikbf24Bit)
        return false;
    // The JPEG reader hands out the stored components (R, G, B in byte order) only for a datastream it
    // takes as YCbCr; one whose component identifiers or Adobe marker say RGB it already converts to the
    // bitmap's B, G, R.
    if (output == ikjoRawComponents && temp.JpegColorSpace == ikjcYCbCr)
        for (int32_t y = 0; y < out.Height(); ++y)
            IKSwapRowRedBlue(out.ScanLine(y), out.Width());
    return true;
}

// A JPEG strip or tile placed at (x0, y0) of the page.
bool TiffDecodeJpegBlock(const TTIFFVars& vars, TIKBitmap* bitmap, const std::vector<uint8_t>& data,
                         int32_t x0, int32_t y0, TIKProgressContext& progress, bool wholePage) {
    TIKBitmap block;
    block.SetStorageKind(ikbsMemory);
    // A page whose photometric tag says RGB (2) keeps R, G, B in its JPEG data: the components are taken as
    // they are.
    const TIKJpegOutput output = vars.Photometric == 2 ? ikjoRawComponents : ikjoConverted;
    if (!TiffDecodeJpegStream(vars, data, block, progress, wholePage, output))
        return false;
    block.CopyRegionTo(bitmap, 0, 0, block.Width(), block.Height(), x0, y0);
    return true;
}

} // namespace

void DecodeTiffStrips(const TTiffIfdContext& ifd, TTIFFVars& vars, TIKBitmap* bitmap,
                      TIKProgressContext& progress, TIKRowClearer* clearer) {
    const int32_t rowsPerStrip = std::max(1, vars.RowsPerStrip);
    if (!TiffBlockFits(vars, vars.ImageWidth, 1)) {
        progress.SetAborting();
        return;
    }
    const int64_t stripsPerPlane = (int64_t(vars.ImageLength) + rowsPerStrip - 1) / rowsPerStrip;
    const int32_t planeCount =
        vars.PlanarConfig == 2 && !(vars.BitsPerSample == 1 && vars.SamplesPerPixel == 1)
            ? vars.SamplesPerPixel
            : 1;
    IKFilterStartRows(progress, vars.ImageLength);
    progress.PerItemStep = 100.0 / double(stripsPerPlane);
    TiffConverter conv(vars, bitmap, clearer);
    for (int64_t i = 0; i < stripsPerPlane; ++i) {
        if (progress.IsAborting())
            return;
        std::vector<std::vector<uint8_t>> planes(static_cast<size_t>(planeCount));
        bool present = true;
        for (int32_t p = 0; p < planeCount; ++p)
            present = present && TiffReadBlock(ifd, vars.StripOffsets, vars.StripByteCounts,
                                               size_t(p * stripsPerPlane + i), planes[size_t(p)]);
        if (!present) {
            // Strips missing from the file leave their rows as allocated; the page is reported incomplete.
            progress.SetAborting();
            return;
        }
        int32_t y0 = int32_t(i * rowsPerStrip);
        if (vars.Compression == 7) {
            if (!TiffDecodeJpegBlock(vars, bitmap, planes[0], 0, y0, progress, stripsPerPlane == 1)) {
                progress.SetAborting();
                return;
            }
            if (stripsPerPlane > 1) {
                progress.RowsDone += 1;
                progress.Report(int32_t(progress.RowsDone * progress.PerItemStep));
            }
            continue;
        }
        if (!TiffDecodeBlock(vars, conv, planes, 0, y0, vars.ImageWidth, rowsPerStrip, progress, true)) {
            progress.SetAborting();
            return;
        }
    }
}

void DecodeTiffTiles(const TTiffIfdContext& ifd, TTIFFVars& vars, TIKBitmap* bitmap,
                     TIKProgressContext& progress) {
    // Tiles may be larger than the image, but not out of all proportion to it.
    const int64_t tilePixels = int64_t(vars.TileWidth) * vars.TileLength;
    const int64_t tileLimit =
        std::max<int64_t>(int64_t(vars.ImageWidth) * vars.ImageLength * 4, int64_t(1) << 18);
    if (vars.TileWidth <= 0 || vars.TileLength <= 0 || tilePixels > tileLimit ||
        !TiffBlockFits(vars, vars.TileWidth, vars.TileLength) ||
        (bitmap->PixelFormat() != ikbf24Bit && bitmap->PixelFormat() != ikbf1Bit)) {
        progress.SetAborting();
        return;
    }
    const int64_t across = (int64_t(vars.ImageWidth) + vars.TileWidth - 1) / vars.TileWidth;
    const int64_t down = (int64_t(vars.ImageLength) + vars.TileLength - 1) / vars.TileLength;
    const int64_t tilesPerPlane = across * down;
    const int32_t planeCount =
        vars.PlanarConfig == 2 && !(vars.BitsPerSample == 1 && vars.SamplesPerPixel == 1)
            ? vars.SamplesPerPixel
            : 1;
    progress.RowsDone = 0;
    progress.PerRowStep = 100.0 / double(tilesPerPlane);
    progress.PerItemStep = progress.PerRowStep;
    TiffConverter conv(vars, bitmap);
    // Tiles beyond those the image needs are ignored.
    for (int64_t t = 0; t < tilesPerPlane; ++t) {
        if (progress.IsAborting())
            return;
        std::vector<std::vector<uint8_t>> planes(static_cast<size_t>(planeCount));
        bool present = true;
        for (int32_t p = 0; p < planeCount; ++p)
            present = present && TiffReadBlock(ifd, vars.TileOffsets, vars.TileByteCounts,
                                               size_t(p * tilesPerPlane + t), planes[size_t(p)]);
        if (!present) {
            progress.SetAborting();
            return;
        }
        int32_t x0 = int32_t((t % across) * vars.TileWidth);
        int32_t y0 = int32_t((t / across) * vars.TileLength);
        if (vars.Compression == 7) {
            if (!TiffDecodeJpegBlock(vars, bitmap, planes[0], x0, y0, progress, tilesPerPlane == 1)) {
                progress.SetAborting();
                return;
            }
            progress.AdvanceRows();
            continue;
        }
        if (!TiffDecodeBlock(vars, conv, planes, x0, y0, vars.TileWidth, vars.TileLength, progress, false)) {
            progress.SetAborting();
            return;
        }
        progress.AdvanceRows();
    }
}

void DecodeTiffOldJpeg(const TTiffIfdContext& ifd, TTIFFVars& vars, TIKBitmap* bitmap,
                       TIKProgressContext& progress) {
    // The whole page is one JPEG datastream at JPEGInterchangeFormat.
    int64_t left = ifd.StreamSize - ifd.Base - vars.JPEGInterchangeFormat;
    if (vars.JPEGInterchangeFormat <= 0 || left <= 0) {
        progress.SetAborting();
        return;
    }
    int64_t size = vars.JPEGInterchangeFormatLength > 0
                       ? std::min<int64_t>(vars.JPEGInterchangeFormatLength, left)
                       : left;
    std::vector<uint8_t> data(static_cast<size_t>(size));
    if (!ifd.ReadAt(vars.JPEGInterchangeFormat, data.data(), size)) {
        progress.SetAborting();
        return;
    }
    TTIFFVars plain = vars;
    plain.JPEGTables.clear();
    constexpr bool wholePage = true;
    if (!TiffDecodeJpegStream(plain, data, *bitmap, progress, wholePage, ikjoConverted))
        progress.SetAborting();
}

} // namespace imaging
