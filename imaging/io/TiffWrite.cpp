#include "imaging/io/TiffWrite.h"

#include "imaging/core/IKBitmap.h"
#include "imaging/core/IKColorReduce.h"
#include "imaging/core/IKPixelUtils.h"
#include "imaging/core/IKQuantizer.h"
#include "imaging/io/Ccitt.h"
#include "imaging/io/IOFilterSupport.h"
#include "imaging/io/JpegFilter.h"
#include "platform/vcl/Streams.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace imaging {

void TiffBgrToCmyk(TIKColorTriple color, uint8_t* cmyk) {
    int32_t m = std::max({color.R, color.G, color.B});
    if (m == 0)
        m = 1;
    cmyk[0] = uint8_t(255 - color.R * 255 / m);
    cmyk[1] = uint8_t(255 - color.G * 255 / m);
    cmyk[2] = uint8_t(255 - color.B * 255 / m);
    cmyk[3] = uint8_t(255 - m);
}

void EncodePackBitsRow(const uint8_t* row, int32_t size, vcl::TStream* stream, bool& aborting) {
    std::vector<uint8_t> out;
    out.reserve(size_t(size) + size_t(size) / 128 + 2);
    int32_t literalStart = 0, literalCount = 0;
    auto flushLiterals = [&] {
        if (literalCount == 0)
            return;
        out.push_back(uint8_t(literalCount - 1));
        out.insert(out.end(), row + literalStart, row + literalStart + literalCount);
        literalCount = 0;
    };
    int32_t i = 0;
    while (i < size) {
        int32_t run = 1;
        while (i + run < size && run < 128 && row[i + run] == row[i])
            ++run;
        if (run >= 4) {
            flushLiterals();
            out.push_back(uint8_t(int8_t(1 - run)));
            out.push_back(row[i]);
            i += run;
        } else {
            if (literalCount == 128)
                flushLiterals();
            if (literalCount == 0)
                literalStart = i;
            ++literalCount;
            ++i;
        }
    }
    flushLiterals();
    if (!out.empty() && !aborting)
        IKWriteStreamChecked(stream, aborting, out.data(), int32_t(out.size()));
}

namespace {

enum TiffKind { tkBilevel, tkGray, tkPalette, tkRGB, tkCMYK, tkCIELab, tkYCbCr };

struct TiffEntryOut {
    uint16_t Tag = 0;
    uint16_t Type = 0;
    uint32_t Count = 0;
    uint32_t Value = 0; // inline value (little-endian in the file) or offset from the header
};

// The state of one write: the stream, its start (the header's position) and the entries so far.
class TiffWriter {
public:
    TiffWriter(vcl::TStream* stream, TIKProgressContext& progress)
        : FStream(stream), FProgress(progress), FStart(stream->GetPosition()) {}

    int64_t Start() const { return FStart; }
    // The current position as an offset from the header.
    uint32_t Offset() { return uint32_t(FStream->GetPosition() - FStart); }
    bool Failed() const { return FProgress.IsAborting(); }

    void Write(const void* data, int32_t size) {
        if (!Failed())
            IKFilterWrite(FStream, FProgress, data, size);
    }
    // Values outside the entries start on a word boundary.
    void Align() {
        if (Offset() & 1) {
            uint8_t zero = 0;
            Write(&zero, 1);
        }
    }

    void AddLong(uint16_t tag, uint32_t value) { FEntries.push_back({tag, 4, 1, value}); }
    void AddShort(uint16_t tag, uint16_t value) { FEntries.push_back({tag, 3, 1, value}); }
    void AddRational(uint16_t tag, uint32_t num, uint32_t den) {
        Align();
        uint32_t offset = Offset();
        uint8_t b[8];
        Put32(b, num);
        Put32(b + 4, den);
        Write(b, 8);
        FEntries.push_back({tag, 5, 1, offset});
    }
    void AddAscii(uint16_t tag, const std::string& text) {
        if (text.empty())
            return;
        std::string value = text.substr(0, std::min<size_t>(text.size(), 1 << 20));
        uint32_t count = uint32_t(value.size() + 1);
        if (count <= 4) {
            uint8_t b[4] = {};
            std::memcpy(b, value.data(), value.size());
            FEntries.push_back({tag, 2, count, Get32(b)});
            return;
        }
        Align();
        uint32_t offset = Offset();
        Write(value.c_str(), int32_t(count));
        FEntries.push_back({tag, 2, count, offset});
    }
    void AddShortArray(uint16_t tag, const std::vector<uint16_t>& values) {
        uint8_t inlineBytes[4] = {};
        if (values.size() <= 2) {
            for (size_t i = 0; i < values.size(); ++i) {
                inlineBytes[2 * i] = uint8_t(values[i]);
                inlineBytes[2 * i + 1] = uint8_t(values[i] >> 8);
            }
            FEntries.push_back({tag, 3, uint32_t(values.size()), Get32(inlineBytes)});
            return;
        }
        Align();
        uint32_t offset = Offset();
        std::vector<uint8_t> raw(values.size() * 2);
        for (size_t i = 0; i < values.size(); ++i) {
            raw[2 * i] = uint8_t(values[i]);
            raw[2 * i + 1] = uint8_t(values[i] >> 8);
        }
        Write(raw.data(), int32_t(raw.size()));
        FEntries.push_back({tag, 3, uint32_t(values.size()), offset});
    }
    // Only a page with IPTC records gets the tag: an entry of no values is not valid TIFF.
    void AddIptc(const TIKIPTCInfoList& records) {
        if (records.Count() == 0)
            return;
        std::vector<uint8_t> block = records.SaveToBuffer(false);
        if (block.empty())
            return;
        block.resize((block.size() + 3) / 4 * 4);
        Align();
        uint32_t offset = Offset();
        Write(block.data(), int32_t(block.size()));
        FEntries.push_back({33723, 4, uint32_t(block.size() / 4), offset});
    }

    // The IFD at the next word boundary, then the header pointing at it; the stream ends after the IFD.
    void Finish() {
        Align();
        if (Failed())
            return;
        uint32_t ifd = Offset();
        std::stable_sort(FEntries.begin(), FEntries.end(),
                         [](const TiffEntryOut& a, const TiffEntryOut& b) { return a.Tag < b.Tag; });
        std::vector<uint8_t> raw(2 + FEntries.size() * 12 + 4);
        raw[0] = uint8_t(FEntries.size());
        raw[1] = uint8_t(FEntries.size() >> 8);
        for (size_t i = 0; i < FEntries.size(); ++i) {
            uint8_t* p = raw.data() + 2 + i * 12;
            p[0] = uint8_t(FEntries[i].Tag);
            p[1] = uint8_t(FEntries[i].Tag >> 8);
            p[2] = uint8_t(FEntries[i].Type);
            p[3] = uint8_t(FEntries[i].Type >> 8);
            Put32(p + 4, FEntries[i].Count);
            Put32(p + 8, FEntries[i].Value);
        }
        Write(raw.data(), int32_t(raw.size()));
        int64_t end = FStream->GetPosition();
        FStream->Seek(FStart, vcl::soBeginning);
        uint8_t header[8] = {'I', 'I', 42, 0};
        Put32(header + 4, ifd);
        Write(header, 8);
        FStream->Seek(end, vcl::soBeginning);
    }

    static void Put32(uint8_t* p, uint32_t v) {
        p[0] = uint8_t(v);
        p[1] = uint8_t(v >> 8);
        p[2] = uint8_t(v >> 16);
        p[3] = uint8_t(v >> 24);
    }
    static uint32_t Get32(const uint8_t* p) {
        return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    }

    vcl::TStream* Stream() const { return FStream; }
    TIKProgressContext& Progress() { return FProgress; }

private:
    vcl::TStream* FStream;
    TIKProgressContext& FProgress;
    int64_t FStart;
    std::vector<TiffEntryOut> FEntries;
};

// What the row writer needs to know about the page.
struct TiffStripContext {
    TiffKind Kind = tkRGB;
    uint16_t Compression = 1;
    bool TwoDimensional = false;
    int32_t Predictor = 1;
    TIKQuantizer* Quantizer = nullptr;
    int32_t BitsPerSample = 8;
    int32_t JpegQuality = 80;
    TTiffLzwEncoderProc LzwEncoder = nullptr;
};

// Codes one row with the page's compression (uncompressed, LZW or PackBits); false after a short write.
void TiffWriteCodedRow(TiffWriter& w, const TiffStripContext& ctx, const uint8_t* row, int32_t size,
                       void*& lzwState) {
    bool aborting = false;
    if (ctx.Compression == 5) {
        if (!ctx.LzwEncoder(row, size, w.Stream(), lzwState))
            w.Progress().SetAborting();
        return;
    }
    if (ctx.Compression == 32773)
        EncodePackBitsRow(row, size, w.Stream(), aborting);
    else
        IKWriteStreamChecked(w.Stream(), aborting, row, size);
    if (aborting)
        w.Progress().SetAborting();
}

void EncodeTiffJpegStrip(TiffWriter& w, TIKBitmap* bitmap, const TiffStripContext& ctx) {
    TIOParamsVals jpegParams;
    jpegParams.JpegQuality = ctx.JpegQuality;
    try {
        EncodeBitmapToJpeg(w.Stream(), bitmap, jpegParams, w.Progress());
    } catch (const EIKJpegException&) {
        w.Progress().SetAborting();
    }
}

void WriteTiffStrips(TiffWriter& w, TIKBitmap* bitmap, const TiffStripContext& ctx) {
    TIKProgressContext& progress = w.Progress();
    const int32_t width = bitmap->Width(), height = bitmap->Height();
    auto report = [&](int32_t y) {
        if (progress.OnProgress)
            progress.OnProgress(progress.Sender, int32_t(int64_t(y) * 100 / std::max(1, height)));
    };
    void* lzwState = nullptr;
    if (bitmap->PixelFormat() == ikbf1Bit) {
        const int32_t rowBytes = (width + 7) / 8;
        bool aborting = false;
        int32_t pendingBits = 0;
        uint8_t pendingByte = 0;
        std::vector<uint8_t> ref;
        for (int32_t y = 0; y < height && !progress.IsAborting(); ++y) {
            report(y);
            const uint8_t* row = bitmap->ScanLine(y);
            switch (ctx.Compression) {
            case 2:
                EncodeCcittMhRow(row, width, w.Stream(), aborting);
                break;
            case 3:
                if (ctx.TwoDimensional)
                    EncodeCcittG32dRow(row, width, w.Stream(), aborting, ref, pendingBits, pendingByte);
                else
                    EncodeCcittG3Row(row, width, w.Stream(), aborting, pendingBits, pendingByte);
                break;
            case 4:
                EncodeCcittG4Row(row, width, w.Stream(), aborting, ref, pendingBits, pendingByte);
                break;
            default:
                TiffWriteCodedRow(w, ctx, row, rowBytes, lzwState);
                break;
            }
            if (aborting)
                progress.SetAborting();
        }
        if (ctx.Compression == 3 && ctx.TwoDimensional)
            EncodeCcittG32dRow(nullptr, width, w.Stream(), aborting, ref, pendingBits, pendingByte);
        else if (ctx.Compression == 3)
            EncodeCcittG3Row(nullptr, width, w.Stream(), aborting, pendingBits, pendingByte);
        else if (ctx.Compression == 4)
            EncodeCcittG4Row(nullptr, width, w.Stream(), aborting, ref, pendingBits, pendingByte);
        if (aborting)
            progress.SetAborting();
    } else {
        if (ctx.Compression == 7) {
            EncodeTiffJpegStrip(w, bitmap, ctx);
            return;
        }
        const int32_t samples = ctx.Kind == tkGray || ctx.Kind == tkPalette ? 1 : ctx.Kind == tkCMYK ? 4 : 3;
        const int64_t rowBytes = (int64_t(ctx.BitsPerSample) * samples * width + 7) / 8;
        std::vector<uint8_t> buffer(size_t(rowBytes) + 4);
        for (int32_t y = 0; y < height && !progress.IsAborting(); ++y) {
            report(y);
            const uint8_t* src = bitmap->ScanLine(y);
            std::fill(buffer.begin(), buffer.end(), 0);
            for (int32_t x = 0; x < width; ++x) {
                TIKColorTriple c{src[3 * x], src[3 * x + 1], src[3 * x + 2]};
                uint8_t* d = buffer.data() + int64_t(x) * samples;
                switch (ctx.Kind) {
                case tkCMYK:
                    TiffBgrToCmyk(c, d);
                    break;
                case tkCIELab: {
                    TIKCIELab lab = IKRGBToCIELab(IKPackTriple(c));
                    d[0] = lab.L;
                    d[1] = uint8_t(lab.a);
                    d[2] = uint8_t(lab.b);
                    break;
                }
                case tkGray:
                case tkPalette: {
                    int32_t index = std::max(0, ctx.Quantizer->RGBIndex(c));
                    if (ctx.BitsPerSample == 8) {
                        buffer[size_t(x)] = uint8_t(index);
                    } else {
                        int64_t bit = int64_t(x) * ctx.BitsPerSample;
                        for (int32_t b = ctx.BitsPerSample - 1; b >= 0; --b, ++bit)
                            if ((index >> b) & 1)
                                buffer[size_t(bit >> 3)] |= uint8_t(0x80 >> (bit & 7));
                    }
                    break;
                }
                default:
                    d[0] = c.R;
                    d[1] = c.G;
                    d[2] = c.B;
                    break;
                }
            }
            if (ctx.Predictor == 2 && ctx.Kind == tkRGB)
                for (int64_t i = int64_t(width) * 3 - 1; i >= 3; --i)
                    buffer[size_t(i)] = uint8_t(buffer[size_t(i)] - buffer[size_t(i - 3)]);
            TiffWriteCodedRow(w, ctx, buffer.data(), int32_t(rowBytes), lzwState);
        }
    }
    if (ctx.Compression == 5 && !progress.IsAborting()) {
        if (!ctx.LzwEncoder(nullptr, 0, w.Stream(), lzwState))
            progress.SetAborting();
    } else if (ctx.Compression == 5 && lzwState) {
        ctx.LzwEncoder(nullptr, 0, w.Stream(), lzwState); // releases the coder's state
    }
}

uint32_t TiffPositionRational(int32_t value) {
    return uint32_t(std::max<int64_t>(0, std::llround(double(value) * 10000.0)));
}

} // namespace

void EncodeBitmapToTiff(vcl::TStream* stream, TIKBitmap* bitmap, TIOParamsVals& params,
                        TIKProgressContext& progress) {
    if (!bitmap || bitmap->Width() <= 0 || bitmap->Height() <= 0) {
        progress.SetAborting();
        return;
    }
    // The working bitmap: one bit, or 24-bit colour.
    std::unique_ptr<TIKBitmap> copy;
    TIKBitmap* work = bitmap;
    if (params.BitsPerSample == 1 && params.SamplesPerPixel == 1) {
        if (bitmap->PixelFormat() != ikbf1Bit) {
            TIKColorTriple c0, c1;
            copy = IKExtractTwoColorBitmap(bitmap, c0, c1);
            if (!copy) {
                copy = std::make_unique<TIKBitmap>();
                copy->Assign(bitmap);
                copy->ConvertTo(ikbf1Bit);
            }
            work = copy.get();
        }
    } else if (bitmap->PixelFormat() != ikbf24Bit) {
        copy = std::make_unique<TIKBitmap>();
        copy->Assign(bitmap);
        copy->ConvertTo(ikbf24Bit);
        work = copy.get();
    }

    // Palette and gray pages through the quantizer.
    std::unique_ptr<TIKQuantizer> quantizer;
    std::vector<TIKColorTriple> palette;
    if (params.SamplesPerPixel == 1 && params.BitsPerSample >= 2 && params.BitsPerSample <= 8 &&
        work->PixelFormat() == ikbf24Bit) {
        params.TiffPhotometric = iktpPalette;
        palette.assign(size_t(1) << params.BitsPerSample, TIKColorTriple{});
        quantizer = std::make_unique<TIKQuantizer>(work, palette, int32_t(palette.size()), -1, 0);
        if (params.TiffCompression != iktcLzw && params.TiffCompression != iktcPackBits)
            params.TiffCompression = iktcNone;
        if (quantizer->GetGrayRamp())
            params.TiffPhotometric = iktpBlackIsZero;
    }
    if (params.TiffPhotometric == iktpPalette && params.SamplesPerPixel > 1)
        params.TiffPhotometric = iktpRgb;
    if (params.BitsPerSample > 8) {
        params.SamplesPerPixel = 3;
        params.BitsPerSample = 8;
        params.TiffPhotometric = iktpRgb;
    }
    if (params.TiffPhotometric <= iktpBlackIsZero && params.BitsPerSample == 8 && params.SamplesPerPixel == 3)
        params.TiffPhotometric = iktpRgb;
    if (params.TiffPhotometric == iktpRgb && params.SamplesPerPixel == 1 && params.BitsPerSample == 1)
        params.TiffPhotometric = iktpBlackIsZero;
    if (params.TiffPhotometric == iktpYCbCr && params.TiffCompression != iktcJpeg)
        params.TiffPhotometric = iktpRgb;
    // Gray or palette pages that the quantizer did not prepare (several samples, or a depth it does not
    // make) are written as 8-bit RGB.
    if ((params.TiffPhotometric <= iktpBlackIsZero || params.TiffPhotometric == iktpPalette) && !quantizer &&
        work->PixelFormat() == ikbf24Bit) {
        params.TiffPhotometric = iktpRgb;
        params.SamplesPerPixel = 3;
        params.BitsPerSample = 8;
    }

    TiffStripContext ctx;
    ctx.Quantizer = quantizer.get();
    ctx.BitsPerSample = params.BitsPerSample;
    switch (params.TiffPhotometric) {
    case iktpWhiteIsZero:
    case iktpBlackIsZero:
        ctx.Kind = tkGray;
        break;
    case iktpPalette:
        ctx.Kind = tkPalette;
        break;
    case iktpCmyk:
        ctx.Kind = tkCMYK;
        params.SamplesPerPixel = 4;
        break;
    case iktpCieLab:
        ctx.Kind = tkCIELab;
        break;
    default:
        ctx.Kind = tkRGB;
        break;
    }
    bool invert = false;
    switch (params.TiffCompression) {
    case iktcCcitt1D:
    case iktcG3Fax1D:
    case iktcG3Fax2D:
    case iktcG4Fax:
        ctx.Compression = uint16_t(params.TiffCompression == iktcCcitt1D ? 2
                                   : params.TiffCompression == iktcG4Fax ? 4
                                                                         : 3);
        ctx.TwoDimensional = params.TiffCompression == iktcG3Fax2D;
        ctx.Kind = tkBilevel;
        invert = true;
        break;
    case iktcLzw:
        ctx.LzwEncoder = params.EffectiveTiffLzwEncoder();
        if (ctx.LzwEncoder) {
            ctx.Compression = 5;
            ctx.Predictor = 2;
        }
        break;
    case iktcJpeg:
        ctx.Compression = 7;
        ctx.Kind = tkYCbCr;
        ctx.JpegQuality = params.TiffJpegQuality;
        break;
    case iktcPackBits:
        ctx.Compression = 32773;
        break;
    default:
        break;
    }
    const bool oneBit = work->PixelFormat() == ikbf1Bit;
    if (!oneBit && ctx.Compression >= 2 && ctx.Compression <= 4) {
        ctx.Compression = 1;
        invert = false;
    }
    // A one-bit page has no JPEG form: it is stored uncompressed.
    if (oneBit && ctx.Compression == 7)
        ctx.Compression = 1;
    if (!(ctx.Kind == tkRGB && ctx.BitsPerSample == 8 && !oneBit))
        ctx.Predictor = 1;
    if (ctx.Predictor != 2 && ctx.Compression == 5 && ctx.Kind == tkRGB && !oneBit)
        ctx.Predictor = 1;
    if (invert) {
        if (!copy) {
            copy = std::make_unique<TIKBitmap>();
            copy->Assign(work);
            work = copy.get();
        }
        IKInvertBitmap(work);
    }

    TiffWriter w(stream, progress);
    uint8_t placeholder[8] = {};
    w.Write(placeholder, 8);
    w.AddLong(256, uint32_t(work->Width()));
    w.AddLong(257, uint32_t(work->Height()));
    const int32_t samples = oneBit                                        ? 1
                            : ctx.Kind == tkGray || ctx.Kind == tkPalette ? 1
                            : ctx.Kind == tkCMYK                          ? 4
                                                                          : 3;
    const uint16_t bits =
        oneBit ? 1 : uint16_t(ctx.Kind == tkGray || ctx.Kind == tkPalette ? ctx.BitsPerSample : 8);
    if (samples == 1)
        w.AddShort(258, bits);
    else
        w.AddShortArray(258, std::vector<uint16_t>(size_t(samples), bits));
    w.AddShort(259, ctx.Compression);
    uint16_t photometric;
    if (oneBit)
        photometric = ctx.Kind == tkBilevel ? 0 : 1;
    else
        photometric = ctx.Kind == tkGray                            ? 1
                      : ctx.Kind == tkPalette                       ? 3
                      : ctx.Kind == tkCMYK                          ? 5
                      : ctx.Kind == tkYCbCr && ctx.Compression == 7 ? 6
                      : ctx.Kind == tkCIELab                        ? 8
                                                                    : 2;
    w.AddShort(262, photometric);
    w.AddAscii(269, params.TiffDocumentName);
    w.AddAscii(270, params.TiffImageDescription);
    w.Align();
    const uint32_t stripOffset = w.Offset();
    w.AddLong(273, stripOffset);

    WriteTiffStrips(w, work, ctx);
    if (w.Failed())
        return;

    const uint32_t stripBytes = w.Offset() - stripOffset;
    w.AddShort(277, uint16_t(samples));
    w.AddLong(278, uint32_t(work->Height()));
    w.AddLong(279, stripBytes);
    if (ctx.Predictor == 2)
        w.AddShort(317, 2);
    int32_t dpiX = params.DpiX > 0 ? params.DpiX : IKDefaultDpiX > 0 ? IKDefaultDpiX : 72;
    int32_t dpiY = params.DpiY > 0 ? params.DpiY : IKDefaultDpiY > 0 ? IKDefaultDpiY : 72;
    w.AddRational(282, uint32_t(dpiX), 1);
    w.AddRational(283, uint32_t(dpiY), 1);
    w.AddAscii(285, params.TiffPageName);
    w.AddRational(286, TiffPositionRational(params.TiffXPosition), 10000);
    w.AddRational(287, TiffPositionRational(params.TiffYPosition), 10000);
    if (ctx.Compression == 3)
        w.AddLong(292, ctx.TwoDimensional ? 1 : 0);
    w.AddShort(296, 2);
    if (params.TiffPageNumber != 0 || params.TiffPageCount != 0)
        w.AddShortArray(297, {uint16_t(params.TiffPageNumber), uint16_t(params.TiffPageCount)});
    w.AddIptc(params.IptcRecords);
    if (ctx.Kind == tkPalette && !oneBit) {
        // Colour map entries are 16-bit: each byte is scaled so that 255 becomes 65535.
        const size_t n = size_t(1) << ctx.BitsPerSample;
        std::vector<uint16_t> map(3 * n);
        for (size_t i = 0; i < n && i < palette.size(); ++i) {
            map[i] = uint16_t(palette[i].R * 257);
            map[n + i] = uint16_t(palette[i].G * 257);
            map[2 * n + i] = uint16_t(palette[i].B * 257);
        }
        w.AddShortArray(320, map);
    }
    w.Finish();
}

} // namespace imaging
