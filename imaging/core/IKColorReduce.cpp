#include "imaging/core/IKColorReduce.h"

#include "imaging/core/IKBitmap.h"
#include "imaging/core/IKContainers.h"
#include "imaging/core/IKPixelUtils.h"
#include "imaging/core/IKQuantizer.h"
#include "platform/vcl/Bitmap.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace imaging {

const uint8_t IKBayerMatrix[8][8] = {
    {0, 32, 8, 40, 2, 34, 10, 42},    {48, 16, 56, 24, 50, 18, 58, 26}, {12, 44, 4, 36, 14, 46, 6, 38},
    {60, 28, 52, 20, 62, 30, 54, 22}, {3, 35, 11, 43, 1, 33, 9, 41},    {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37},   {63, 31, 55, 23, 61, 29, 53, 21},
};

namespace {

struct ReduceExpandTable {
    uint8_t Entries[256][24];
    constexpr ReduceExpandTable() : Entries() {
        for (int v = 0; v < 256; ++v)
            for (int k = 0; k < 8; ++k)
                for (int c = 0; c < 3; ++c)
                    Entries[v][3 * k + c] = (v >> (7 - k)) & 1 ? 255 : 0;
    }
};
constexpr ReduceExpandTable ReduceExpand;

// Progress after row r (from 1) of rows: Trunc(r x 100 / (rows + 0.5)).
int32_t ReducePercent(int64_t r, int64_t rows) {
    return int32_t(double(r) * 100.0 / (double(rows) + 0.5));
}

void ReduceReport(TIKProgressContext* progress, int64_t r, int64_t rows) {
    if (progress)
        progress->Report(ReducePercent(r, rows));
}

// The 8-bit gray level of pixel x of a row in any format (the high byte for 16-bit gray).
int32_t ReduceGrayOf(TIKBitmap* bitmap, const uint8_t* row, int32_t x) {
    switch (bitmap->PixelFormat()) {
    case ikbf1Bit:
        return IKTestBit(row, x) ? 255 : 0;
    case ikbf8Bit:
        return IKTripleGrayLevel(bitmap->PaletteEntry(row[x]));
    case ikbf8BitGray:
        return row[x];
    case ikbf16BitGray:
        return row[2 * x + 1];
    case ikbf24Bit:
        return IKTripleGrayLevel(TIKColorTriple{row[3 * x], row[3 * x + 1], row[3 * x + 2]});
    default:
        return 0;
    }
}

// The maximum-entropy threshold of a gray histogram: the level that maximises the summed entropies of the
// two classes it makes (the first of equal maxima); -1 when no level splits the image into two classes.
int32_t ReduceMaxEntropyThreshold(const std::array<int64_t, 256>& hist, int64_t pixels) {
    if (pixels <= 0)
        return -1;
    double p[256];
    double total = 0;
    for (int32_t i = 0; i < 256; ++i) {
        p[i] = double(hist[size_t(i)]) / double(pixels);
        if (p[i] != 0)
            total -= p[i] * std::log(p[i]);
    }
    int32_t threshold = -1;
    double best = 0;
    double cum = 0, entropy = 0;
    for (int32_t t = 1; t < 256; ++t) {
        cum += p[t - 1];
        if (p[t - 1] > 0)
            entropy -= p[t - 1] * std::log(p[t - 1]);
        if (cum <= 0 || cum >= 1)
            continue;
        const double psi = std::log(cum - cum * cum) + entropy / cum + (total - entropy) / (1 - cum);
        // Scores may all be 0 or below (an image of two gray levels scores 0 everywhere between them): the
        // best is taken whatever its sign.
        if (threshold < 0 || psi > best) {
            best = psi;
            threshold = t;
        }
    }
    return threshold;
}

} // namespace

const uint8_t* IKBilevelExpandEntry(uint8_t v) {
    return ReduceExpand.Entries[v];
}

void IKQuantizeInPlace(TIKBitmap* bitmap, int32_t nCol, std::span<TIKColorTriple> palette,
                       vcl::TObject* sender, const TIKProgressEvent& onProgress) {
    if (!bitmap || bitmap->PixelFormat() != ikbf24Bit || nCol < 1)
        return;
    std::vector<TIKColorTriple> own;
    if (palette.empty()) {
        own.resize(size_t(nCol));
        palette = own;
    }
    TIKQuantizer quantizer(bitmap, palette, nCol, -1, 0);
    const int32_t count = quantizer.GetNCol(), width = bitmap->Width(), height = bitmap->Height();
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* p = bitmap->ScanLine(y);
        for (int32_t x = 0; x < width; ++x, p += 3) {
            const int32_t i = quantizer.RGBIndex(TIKColorTriple{p[0], p[1], p[2]});
            if (i < 0 || i >= count)
                continue; // not reached: every colour of the image has its entry
            p[0] = palette[size_t(i)].B;
            p[1] = palette[size_t(i)].G;
            p[2] = palette[size_t(i)].R;
        }
        if (onProgress)
            onProgress(sender, ReducePercent(y + 1, height));
    }
}

void IKDitherToBilevel(TIKBitmap* bitmap, TIKProgressContext* progress) {
    if (!bitmap || bitmap->PixelFormat() != ikbf24Bit)
        return;
    const int32_t width = bitmap->Width(), height = bitmap->Height();
    TIKBitmap bilevel;
    bilevel.Allocate(width, height, ikbf1Bit);
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* s = bitmap->ScanLine(y);
        uint8_t* d = bilevel.ScanLine(y);
        for (int32_t x = 0; x < width; ++x)
            if (IKDitherBit8(IKTripleGrayLevel(TIKColorTriple{s[3 * x], s[3 * x + 1], s[3 * x + 2]}), x, y))
                d[x >> 3] |= IKBitMask[x & 7];
        ReduceReport(progress, y + 1, height);
    }
    bitmap->CopyImage(&bilevel);
}

int32_t IKResolveThreshold(TIKBitmap* source, int32_t threshold) {
    if (threshold == IKThresholdAverage) {
        int32_t r, g, b;
        IKAverageColor(source, r, g, b);
        return IKTripleGrayLevel(IKMakeRGBTriple(uint8_t(r), uint8_t(g), uint8_t(b)));
    }
    if (threshold == IKThresholdMaxEntropy) {
        std::array<int64_t, 256> hist{};
        IKImageHistogram(source, hist);
        const int32_t t = ReduceMaxEntropyThreshold(hist, int64_t(source->Width()) * source->Height());
        // An image of one gray level has nothing to split: it is thresholded at its average.
        return t >= 0 ? t : IKResolveThreshold(source, IKThresholdAverage);
    }
    return threshold;
}

void IKThresholdBitmap(TIKBitmap* source, TIKBitmap* dest, int32_t threshold, TIKProgressContext* progress) {
    if (!source || !dest || source == dest)
        return;
    if (source->PixelFormat() == ikbf1Bit) {
        dest->CopyImage(source);
        return;
    }
    const TIKBitmapFormat format = source->PixelFormat();
    if (format < ikbf8Bit || format > ikbf24Bit || dest->PixelFormat() != ikbf1Bit)
        return;
    threshold = IKResolveThreshold(source, threshold);
    const int32_t width = std::min(source->Width(), dest->Width());
    const int32_t height = std::min(source->Height(), dest->Height());
    std::vector<uint8_t> bits(size_t(dest->RowLength()));
    for (int32_t y = 0; y < height; ++y) {
        std::fill(bits.begin(), bits.end(), 0);
        const uint8_t* s = source->ScanLine(y);
        for (int32_t x = 0; x < width; ++x)
            if (ReduceGrayOf(source, s, x) >= threshold)
                bits[size_t(x >> 3)] |= IKBitMask[x & 7];
        std::memcpy(dest->ScanLine(y), bits.data(), bits.size());
        ReduceReport(progress, y + 1, height);
    }
}

void IKThresholdInPlace(TIKBitmap* bitmap, int32_t threshold, TIKProgressContext* progress) {
    if (!bitmap || bitmap->PixelFormat() != ikbf24Bit)
        return;
    TIKBitmap bilevel;
    bilevel.Allocate(bitmap->Width(), bitmap->Height(), ikbf1Bit);
    IKThresholdBitmap(bitmap, &bilevel, threshold, progress);
    bitmap->CopyImage(&bilevel);
}

void IKImageHistogram(TIKBitmap* bitmap, std::array<int64_t, 256>& hist) {
    hist.fill(0);
    if (!bitmap || bitmap->PixelFormat() < ikbf1Bit || bitmap->PixelFormat() > ikbf24Bit)
        return;
    const int32_t width = bitmap->Width();
    for (int32_t y = 0; y < bitmap->Height() && width > 0; ++y) {
        const uint8_t* row = bitmap->ScanLine(y);
        for (int32_t x = 0; x < width; ++x)
            ++hist[size_t(ReduceGrayOf(bitmap, row, x))];
    }
}

void IKAverageColor(TIKBitmap* bitmap, int32_t& r, int32_t& g, int32_t& b) {
    r = g = b = 128;
    if (!bitmap || bitmap->Width() <= 0 || bitmap->Height() <= 0)
        return;
    const TIKBitmapFormat format = bitmap->PixelFormat();
    if (format < ikbf1Bit || format > ikbf24Bit)
        return;
    const int32_t width = bitmap->Width(), height = bitmap->Height();
    int64_t tr = 0, tg = 0, tb = 0;
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* row = bitmap->ScanLine(y);
        int64_t sr = 0, sg = 0, sb = 0;
        for (int32_t x = 0; x < width; ++x) {
            TIKColorTriple c;
            switch (format) {
            case ikbf1Bit:
                c = IKTestBit(row, x) ? TIKColorTriple{255, 255, 255} : TIKColorTriple{};
                break;
            case ikbf8Bit:
                c = bitmap->PaletteEntry(row[x]);
                break;
            case ikbf8BitGray:
                c = TIKColorTriple{row[x], row[x], row[x]};
                break;
            case ikbf16BitGray:
                c = TIKColorTriple{row[2 * x + 1], row[2 * x + 1], row[2 * x + 1]};
                break;
            default:
                c = TIKColorTriple{row[3 * x], row[3 * x + 1], row[3 * x + 2]};
                break;
            }
            sr += c.R;
            sg += c.G;
            sb += c.B;
        }
        tr += sr / width;
        tg += sg / width;
        tb += sb / width;
    }
    r = int32_t(tr / height);
    g = int32_t(tg / height);
    b = int32_t(tb / height);
}

std::unique_ptr<TIKBitmap> IKExtractTwoColorBitmap(TIKBitmap* bitmap, TIKColorTriple& color0,
                                                   TIKColorTriple& color1) {
    if (!bitmap || bitmap->PixelFormat() == ikbfNone)
        return nullptr;
    THash1 seen(13);
    auto bilevel = std::make_unique<TIKBitmap>();
    const int32_t width = bitmap->Width(), height = bitmap->Height();
    bilevel->Allocate(width, height, ikbf1Bit);
    std::vector<uint8_t> bits(size_t(std::max(bilevel->RowLength(), 0)));
    for (int32_t y = 0; y < height && seen.GetCount() <= 2; ++y) {
        std::fill(bits.begin(), bits.end(), 0);
        for (int32_t x = 0; x < width; ++x) {
            const TIKColorTriple c = bitmap->PixelColor(x, y);
            if (seen.Insert(IKPackTriple(c))) {
                if (seen.GetCount() == 1)
                    color0 = c;
                else
                    color1 = c;
            }
            if (!(c == color0))
                bits[size_t(x >> 3)] |= IKBitMask[x & 7];
        }
        std::memcpy(bilevel->ScanLine(y), bits.data(), bits.size());
    }
    if (seen.GetCount() != 2)
        return nullptr;
    auto gray100 = [](TIKColorTriple c) { return (c.R * 21 + c.G * 71 + c.B * 8) / 100.0; };
    if (std::nearbyint(gray100(color1)) < std::nearbyint(gray100(color0))) {
        IKInvertBitmap(bilevel.get());
        std::swap(color0, color1);
    }
    return bilevel;
}

int32_t IKNearestPaletteIndex(const TIKColorTriple* palette, int32_t count, TIKColorTriple color) {
    int32_t best = 0, bestDistance = 1000;
    for (int32_t i = 0; palette && i < count; ++i) {
        const TIKColorTriple& p = palette[i];
        const int32_t d = std::abs(p.R - color.R) + std::abs(p.G - color.G) + std::abs(p.B - color.B);
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

int32_t IKConvertRowDepth(const uint8_t* source, uint8_t* dest, uint16_t srcBits, uint16_t destBits,
                          uint16_t width, std::span<const TIKColorTriple> palette,
                          const TIKQuantizer* quantizer) {
    const int32_t w = width;
    auto entry = [&](int32_t i) {
        return size_t(i) < palette.size() ? palette[size_t(i)] : TIKColorTriple{};
    };
    auto putTriple = [&](int32_t x, TIKColorTriple c) { std::memcpy(dest + 3 * x, &c, 3); };
    auto index = [&](int32_t x) {
        const int32_t i =
            quantizer
                ? quantizer->RGBIndex(TIKColorTriple{source[3 * x], source[3 * x + 1], source[3 * x + 2]})
                : 0;
        return i < 0 ? 0 : i;
    };
    auto bit = [&](int32_t x) { return (source[x >> 3] >> (7 - (x & 7))) & 1; };
    auto nibble = [&](int32_t x) { return (x & 1) ? source[x >> 1] & 0x0F : source[x >> 1] >> 4; };
    auto orNibble = [&](int32_t x, int32_t v) { dest[x >> 1] |= uint8_t((v & 0x0F) << ((x & 1) ? 0 : 4)); };
    const int32_t key = srcBits * 100 + destBits;
    switch (key) {
    case 101:
        std::memcpy(dest, source, size_t((w + 7) / 8));
        break;
    case 104:
        for (int32_t x = 0; x < w; ++x)
            orNibble(x, bit(x));
        break;
    case 108:
        for (int32_t x = 0; x < w; ++x)
            dest[x] = uint8_t(bit(x));
        break;
    case 124:
        for (int32_t x = 0; x < w; ++x)
            putTriple(x, entry(bit(x)));
        break;
    case 404:
        std::memcpy(dest, source, size_t((w + 1) / 2));
        break;
    case 408:
        for (int32_t x = 0; x < w; ++x)
            dest[x] = uint8_t(nibble(x));
        break;
    case 424:
        for (int32_t x = 0; x < w; ++x)
            putTriple(x, entry(nibble(x)));
        break;
    case 801:
        std::memset(dest, 0, size_t((w + 7) / 8));
        for (int32_t x = 0; x < w; ++x)
            if (source[x] & 1)
                dest[x >> 3] |= IKBitMask[x & 7];
        break;
    case 808:
        std::memcpy(dest, source, size_t(w));
        break;
    case 824:
        for (int32_t x = 0; x < w; ++x)
            putTriple(x, entry(source[x]));
        break;
    case 2404:
        for (int32_t x = 0; x < w; ++x)
            orNibble(x, index(x));
        break;
    case 2408:
        for (int32_t x = 0; x < w; ++x)
            dest[x] = uint8_t(index(x));
        break;
    case 2424:
        std::memcpy(dest, source, size_t(3 * w));
        break;
    case 3224:
        for (int32_t x = 0; x < w; ++x)
            std::memcpy(dest + 3 * x, source + 4 * x, 3);
        break;
    default:
        return 0;
    }
    switch (destBits) {
    case 1:
        return (w + 7) / 8;
    case 4:
        return (w + 1) / 2;
    case 8:
        return w;
    case 24:
        return 3 * w;
    default:
        return 0;
    }
}

void IKExpandBilevelToRGB(vcl::TBitmap* source, vcl::TBitmap* dest, TIKProgressContext* progress) {
    if (!source || !dest || source == dest)
        return;
    dest->SetSize(1, 1);
    dest->SetPixelFormat(vcl::pf24bit);
    const int32_t width = source->GetWidth(), height = source->GetHeight();
    dest->SetSize(width, height);
    if (source->GetPixelFormat() != vcl::pf1bit)
        return;
    const int32_t full = width / 8, rest = width % 8;
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* s = static_cast<const uint8_t*>(source->ScanLine(y));
        uint8_t* d = static_cast<uint8_t*>(dest->ScanLine(y));
        for (int32_t k = 0; k < full; ++k, d += 24)
            std::memcpy(d, ReduceExpand.Entries[s[k]], 24);
        if (rest)
            std::memcpy(d, ReduceExpand.Entries[s[full]], size_t(rest) * 3);
        ReduceReport(progress, y + 1, height);
    }
}

void IKConvertRectToGray(TIKBitmap* bitmap, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                         const TIKProgressEvent& onProgress, vcl::TObject* sender) {
    if (!bitmap || bitmap->PixelFormat() != ikbf24Bit)
        return;
    x1 = std::max(x1, 0);
    y1 = std::max(y1, 0);
    x2 = std::min(x2, bitmap->Width());
    y2 = std::min(y2, bitmap->Height());
    for (int32_t y = y1; y < y2; ++y) {
        uint8_t* p = bitmap->ScanLine(y) + 3 * size_t(std::max(x1, 0));
        for (int32_t x = x1; x < x2; ++x, p += 3)
            p[0] = p[1] = p[2] = uint8_t(IKTripleGrayLevel(TIKColorTriple{p[0], p[1], p[2]}));
        if (onProgress)
            onProgress(sender, ReducePercent(y - y1 + 1, y2 - y1));
    }
}

} // namespace imaging
