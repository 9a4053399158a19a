#include "imaging/io/IOCodecUtil.h"

#include "imaging/core/IKBitmap.h"
#include "imaging/core/IKPixelUtils.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

namespace imaging {

std::unique_ptr<TIKBitmap> IOCopyTo24Bit(TIKBitmap* source) {
    auto dest = std::make_unique<TIKBitmap>();
    const int32_t w = source->Width(), h = source->Height();
    dest->Allocate(w, h, ikbf24Bit);
    std::vector<uint8_t> row(size_t(std::max(source->RowLength(), 0)));
    const TIKBitmapFormat format = source->PixelFormat();
    for (int32_t y = 0; y < h; ++y) {
        // One row of each bitmap at a time: the source row is copied out first.
        std::memcpy(row.data(), source->ScanLine(y), row.size());
        uint8_t* out = dest->ScanLine(y);
        for (int32_t x = 0; x < w; ++x) {
            TIKColorTriple c{};
            switch (format) {
            case ikbf1Bit:
                c = IKTestBit(row.data(), x) ? TIKColorTriple{255, 255, 255} : TIKColorTriple{};
                break;
            case ikbf8Bit:
                c = source->PaletteEntry(row[size_t(x)]);
                break;
            case ikbf8BitGray:
                c = {row[size_t(x)], row[size_t(x)], row[size_t(x)]};
                break;
            case ikbf16BitGray:
                c = {row[size_t(x) * 2 + 1], row[size_t(x) * 2 + 1], row[size_t(x) * 2 + 1]};
                break;
            case ikbf24Bit:
                c = {row[size_t(x) * 3], row[size_t(x) * 3 + 1], row[size_t(x) * 3 + 2]};
                break;
            default:
                break;
            }
            out[x * 3] = c.B;
            out[x * 3 + 1] = c.G;
            out[x * 3 + 2] = c.R;
        }
    }
    return dest;
}

std::unique_ptr<TIKBitmap> IOCopyToOneBit(TIKBitmap* source) {
    std::unique_ptr<TIKBitmap> color;
    TIKBitmap* src = source;
    if (source->PixelFormat() != ikbf24Bit) {
        color = IOCopyTo24Bit(source);
        src = color.get();
    }
    auto dest = std::make_unique<TIKBitmap>();
    const int32_t w = src->Width(), h = src->Height();
    dest->Allocate(w, h, ikbf1Bit);
    std::vector<uint8_t> row(size_t(std::max(src->RowLength(), 0)));
    for (int32_t y = 0; y < h; ++y) {
        std::memcpy(row.data(), src->ScanLine(y), row.size());
        uint8_t* out = dest->ScanLine(y);
        for (int32_t x = 0; x < w; ++x) {
            const TIKColorTriple c{row[size_t(x) * 3], row[size_t(x) * 3 + 1], row[size_t(x) * 3 + 2]};
            IKPutBit(out, x, IKTripleGrayLevel(c) >= 128);
        }
    }
    return dest;
}

std::unique_ptr<TIKBitmap> IOTwoColorBitmap(TIKBitmap* source24, TIKColorTriple& color0,
                                            TIKColorTriple& color1) {
    if (source24->PixelFormat() != ikbf24Bit)
        return nullptr;
    const int32_t w = source24->Width(), h = source24->Height();
    uint32_t colors[2] = {};
    int32_t found = 0;
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* row = source24->ScanLine(y);
        for (int32_t x = 0; x < w; ++x) {
            const uint32_t c = IKPackTriple({row[x * 3], row[x * 3 + 1], row[x * 3 + 2]});
            if ((found > 0 && c == colors[0]) || (found > 1 && c == colors[1]))
                continue;
            if (found == 2)
                return nullptr;
            colors[found++] = c;
        }
    }
    if (found != 2)
        return nullptr;
    // The darker colour takes the clear bits.
    if (IKTripleGrayLevel(colors[1]) < IKTripleGrayLevel(colors[0]))
        std::swap(colors[0], colors[1]);
    color0 = IKUnpackTriple(colors[0]);
    color1 = IKUnpackTriple(colors[1]);
    auto dest = std::make_unique<TIKBitmap>();
    dest->Allocate(w, h, ikbf1Bit);
    std::vector<uint8_t> row(size_t(source24->RowLength()));
    for (int32_t y = 0; y < h; ++y) {
        std::memcpy(row.data(), source24->ScanLine(y), row.size());
        uint8_t* out = dest->ScanLine(y);
        for (int32_t x = 0; x < w; ++x)
            IKPutBit(out, x,
                     IKPackTriple({row[size_t(x) * 3], row[size_t(x) * 3 + 1], row[size_t(x) * 3 + 2]}) ==
                         colors[1]);
    }
    return dest;
}

int32_t IONearestIndex(const TIKColorTriple* palette, int32_t count, TIKColorTriple color) {
    int32_t best = 0;
    int64_t bestDistance = INT64_MAX;
    for (int32_t i = 0; i < count; ++i) {
        const int64_t dr = int32_t(palette[i].R) - color.R, dg = int32_t(palette[i].G) - color.G,
                      db = int32_t(palette[i].B) - color.B;
        const int64_t d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
            if (d == 0)
                break;
        }
    }
    return best;
}

// ---- Palette ---------------------------------------------------------------------------------------------

struct TIOPalette::TImpl {
    std::unordered_map<uint32_t, int32_t> Indexes; // exact colours, and colours already looked up
    int32_t Used = 0;
};

namespace {

// Median cut over the image's distinct colours weighted by their counts.
struct TIOPaletteBox {
    size_t Begin, End;
};

std::vector<TIKColorTriple> IOMedianCut(std::vector<std::pair<uint32_t, uint32_t>>& colors,
                                        int32_t maxColors) {
    auto channel = [](uint32_t c, int k) { return int32_t((c >> (8 * k)) & 0xFF); };
    std::vector<TIOPaletteBox> boxes{{0, colors.size()}};
    while (int32_t(boxes.size()) < maxColors) {
        // Split the box with the widest channel range.
        int32_t bestBox = -1, bestRange = 0, bestChannel = 0;
        for (size_t b = 0; b < boxes.size(); ++b) {
            if (boxes[b].End - boxes[b].Begin < 2)
                continue;
            for (int k = 0; k < 3; ++k) {
                int32_t lo = 255, hi = 0;
                for (size_t i = boxes[b].Begin; i < boxes[b].End; ++i) {
                    lo = std::min(lo, channel(colors[i].first, k));
                    hi = std::max(hi, channel(colors[i].first, k));
                }
                if (hi - lo > bestRange) {
                    bestRange = hi - lo;
                    bestBox = int32_t(b);
                    bestChannel = k;
                }
            }
        }
        if (bestBox < 0)
            break;
        TIOPaletteBox box = boxes[size_t(bestBox)];
        std::sort(colors.begin() + ptrdiff_t(box.Begin), colors.begin() + ptrdiff_t(box.End),
                  [&](const auto& a, const auto& b) {
                      return channel(a.first, bestChannel) < channel(b.first, bestChannel);
                  });
        uint64_t total = 0;
        for (size_t i = box.Begin; i < box.End; ++i)
            total += colors[i].second;
        uint64_t half = 0;
        size_t cut = box.Begin + 1;
        for (size_t i = box.Begin; i < box.End - 1; ++i) {
            half += colors[i].second;
            cut = i + 1;
            if (half * 2 >= total)
                break;
        }
        boxes[size_t(bestBox)] = {box.Begin, cut};
        boxes.push_back({cut, box.End});
    }
    std::vector<TIKColorTriple> result;
    for (const TIOPaletteBox& b : boxes) {
        uint64_t sum[3] = {}, n = 0;
        for (size_t i = b.Begin; i < b.End; ++i) {
            for (int k = 0; k < 3; ++k)
                sum[k] += uint64_t(channel(colors[i].first, k)) * colors[i].second;
            n += colors[i].second;
        }
        if (n == 0)
            continue;
        result.push_back(IKUnpackTriple(uint32_t((sum[0] + n / 2) / n) | uint32_t((sum[1] + n / 2) / n) << 8 |
                                        uint32_t((sum[2] + n / 2) / n) << 16));
    }
    return result;
}

} // namespace

TIOPalette::TIOPalette(TIKBitmap* source24, int32_t maxColors) : FImpl(std::make_unique<TImpl>()) {
    maxColors = std::clamp(maxColors, 1, 256);
    FColors.assign(size_t(maxColors), TIKColorTriple{});
    std::unordered_map<uint32_t, uint32_t> counts;
    const int32_t w = source24->Width(), h = source24->Height();
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* row = source24->ScanLine(y);
        for (int32_t x = 0; x < w; ++x)
            ++counts[IKPackTriple({row[x * 3], row[x * 3 + 1], row[x * 3 + 2]})];
    }
    if (int32_t(counts.size()) <= maxColors) {
        // The image's own colours, in order of first appearance.
        for (int32_t y = 0; y < h; ++y) {
            const uint8_t* row = source24->ScanLine(y);
            for (int32_t x = 0; x < w; ++x) {
                const uint32_t c = IKPackTriple({row[x * 3], row[x * 3 + 1], row[x * 3 + 2]});
                if (FImpl->Indexes.emplace(c, FImpl->Used).second)
                    FColors[size_t(FImpl->Used++)] = IKUnpackTriple(c);
            }
        }
        return;
    }
    std::vector<std::pair<uint32_t, uint32_t>> colors(counts.begin(), counts.end());
    std::vector<TIKColorTriple> chosen = IOMedianCut(colors, maxColors);
    FImpl->Used = int32_t(chosen.size());
    std::copy(chosen.begin(), chosen.end(), FColors.begin());
}

TIOPalette::~TIOPalette() = default;

int32_t TIOPalette::Index(TIKColorTriple color) const {
    const uint32_t key = IKPackTriple(color);
    auto it = FImpl->Indexes.find(key);
    if (it != FImpl->Indexes.end())
        return it->second;
    const int32_t index = IONearestIndex(FColors.data(), FImpl->Used, color);
    FImpl->Indexes.emplace(key, index);
    return index;
}

} // namespace imaging
