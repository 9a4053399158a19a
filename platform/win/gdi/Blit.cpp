// Block transfers: BitBlt, StretchBlt, PatBlt, MaskBlt and the DIB-to-device calls, all through one core
// that clips, maps source pixels to the destination's format and applies the ternary operation.
#include "platform/win/gdi/GdiObjects.h"

#include <array>
#include <atomic>
#include <cstring>
#include <memory>
#include <optional>

namespace win {

namespace gdi {

void LoadRow(const HBITMAP__* bmp, int x0, int y, int n, uint32_t* out) {
    if (bmp->FBitsPixel == 32) {
        std::memcpy(out, bmp->Row(y) + 4 * int64_t(x0), size_t(n) * 4);
        return;
    }
    if (bmp->FBitsPixel == 8) {
        const uint8_t* row = bmp->Row(y) + x0;
        for (int i = 0; i < n; ++i)
            out[i] = row[i];
        return;
    }
    for (int i = 0; i < n; ++i)
        out[i] = bmp->GetRaw(x0 + i, y);
}

void StoreRow(HBITMAP__* bmp, int x0, int y, int n, const uint32_t* in) {
    if (bmp->FBitsPixel == 32) {
        std::memcpy(bmp->Row(y) + 4 * int64_t(x0), in, size_t(n) * 4);
        return;
    }
    if (bmp->FBitsPixel == 8) {
        uint8_t* row = bmp->Row(y) + x0;
        for (int i = 0; i < n; ++i)
            row[i] = uint8_t(in[i]);
        return;
    }
    for (int i = 0; i < n; ++i)
        bmp->SetRaw(x0 + i, y, in[i]);
}

namespace {
std::atomic<bool> BlitFastPathsOn{true};
} // namespace

void SetBlitFastPaths(bool on) {
    BlitFastPathsOn.store(on, std::memory_order_relaxed);
}

bool BlitFastPaths() {
    return BlitFastPathsOn.load(std::memory_order_relaxed);
}

} // namespace gdi

namespace {

// The ternary operation code of SRCCOPY (its third byte), as the transfer core compares it, and of the
// operation that leaves the destination alone.
constexpr uint8_t BlitSrcCopy = uint8_t(SRCCOPY >> 16);
constexpr uint8_t BlitDestination = 0xAA;

// Everything one transfer needs, in target coordinates of both bitmaps.
struct BlitJob {
    HDC FDst = nullptr;
    int FDx = 0, FDy = 0, FDw = 0, FDh = 0; // destination rectangle (extents may be negative: mirror)
    const HBITMAP__* FSrc = nullptr;        // null for pattern-only operations
    HDC FSrcDc = nullptr;                   // source DC, for the colour-to-mono rule (may be null)
    int FSx = 0, FSy = 0, FSw = 0, FSh = 0;
    uint8_t FRop = BlitSrcCopy;
    const HBITMAP__* FMask = nullptr; // MaskBlt: 1 bits take FRop, 0 bits FBackRop
    int FMx = 0, FMy = 0;
    uint8_t FBackRop = BlitSrcCopy;
    int FStretchMode = COLORONCOLOR;
    bool FKeyOn = false; // TransparentBlt: source pixels equal to FKey leave the destination alone
    uint32_t FKey = 0;
};

// Converts raw source values to destination values in place, by GDI's monochrome rules.
struct BlitConverter {
    enum Mode { Same, MonoToColor, ColorToMono, ViaRgb } FMode = Same;
    const HBITMAP__* FSrc;
    const HBITMAP__* FDst;
    uint32_t FZero = 0, FOne = 0, FSrcBk = 0;
    bool FHaveSrcBk = false;
    // A source of at most 8 bits converts each of its values once: FTable[v] is the destination value of
    // source value v. Into a palettized destination, whose nearest-colour search is dear, entries are made
    // as their values first appear (FTableSet); into any other, all at once (FTableFull).
    bool FUseTable = false;
    bool FTableFull = false;
    std::array<uint32_t, 256> FTable{};
    std::array<uint8_t, 256> FTableSet{};

    BlitConverter(const HBITMAP__* src, HDC srcDc, const HBITMAP__* dst, HDC dstDc) : FSrc(src), FDst(dst) {
        if (src->FMono && !dst->FMono) {
            FMode = MonoToColor;
            FZero = dst->FromRgb(gdi::ResolveColor(dstDc, dstDc->FState.FTextColor));
            FOne = dst->FromRgb(gdi::ResolveColor(dstDc, dstDc->FState.FBkColor));
        } else if (dst->FMono && !src->FMono) {
            FMode = ColorToMono;
            if (srcDc) {
                FHaveSrcBk = true;
                FSrcBk = src->FromRgb(gdi::ResolveColor(srcDc, srcDc->FState.FBkColor));
            }
        } else if (src->SameFormat(*dst)) {
            FMode = Same;
        } else {
            FMode = ViaRgb;
        }
        const bool viaRgb = FMode == ViaRgb || (FMode == ColorToMono && !FHaveSrcBk);
        if (viaRgb && src->FBitsPixel <= 8 && gdi::BlitFastPaths()) {
            FUseTable = true;
            if (!dst->Palettized()) {
                for (uint32_t v = 0; v < (1u << src->FBitsPixel); ++v)
                    FTable[v] = dst->FromRgb(src->ToRgb(v));
                FTableFull = true;
            }
        }
    }

    uint32_t Mapped(uint32_t v) {
        if (!FTableFull && !FTableSet[v]) {
            FTable[v] = FDst->FromRgb(FSrc->ToRgb(v));
            FTableSet[v] = 1;
        }
        return FTable[v];
    }

    void Convert(uint32_t* v, int n) {
        switch (FMode) {
        case Same:
            return;
        case MonoToColor:
            for (int i = 0; i < n; ++i)
                v[i] = v[i] ? FOne : FZero;
            return;
        case ColorToMono:
            if (FHaveSrcBk) {
                // Only the colour bits count: the alpha byte of 32-bit pixels plays no part.
                uint32_t bits = FSrc->ValueMask();
                for (int i = 0; i < n; ++i)
                    v[i] = (v[i] & bits) == FSrcBk ? 1 : 0;
                return;
            }
            [[fallthrough]];
        case ViaRgb: {
            if (FUseTable) {
                // Raw values of a source of at most 8 bits are below 256.
                for (int i = 0; i < n; ++i)
                    v[i] = Mapped(v[i] & 0xFF);
                return;
            }
            uint32_t lastIn = v[0] + 1, lastOut = 0;
            for (int i = 0; i < n; ++i) {
                if (v[i] != lastIn) {
                    lastIn = v[i];
                    lastOut = FDst->FromRgb(FSrc->ToRgb(v[i]));
                }
                v[i] = lastOut;
            }
            return;
        }
        }
    }
};

// Maps destination offset j in [0, dn) to the source span [first, last) it samples; nearest is the
// pixel whose centre is nearest the destination pixel's centre.
struct BlitAxis {
    int FDn, FSn;
    bool FMirror;
    int Nearest(int j) const {
        int jj = FMirror ? FDn - 1 - j : j;
        return int(((2 * int64_t(jj) + 1) * FSn) / (2 * int64_t(FDn)));
    }
    void Span(int j, int& first, int& last) const {
        int jj = FMirror ? FDn - 1 - j : j;
        first = int((int64_t(jj) * FSn) / FDn);
        last = int((int64_t(jj + 1) * FSn) / FDn);
        if (last <= first)
            last = first + 1;
    }
};

void BlitNormalize(int& pos, int& ext, bool& mirror) {
    if (ext < 0) {
        pos += ext;
        ext = -ext;
        mirror = !mirror;
    }
}

// Averages a box of source pixels (the halftone filter) and returns the colour.
COLORREF BlitBoxAverage(const HBITMAP__* src, int x0, int x1, int y0, int y1) {
    uint64_t r = 0, g = 0, b = 0, n = 0;
    for (int y = std::max(y0, 0); y < std::min(y1, src->FHeight); ++y)
        for (int x = std::max(x0, 0); x < std::min(x1, src->FWidth); ++x) {
            COLORREF c = src->ToRgb(src->GetRaw(x, y));
            r += GetRValue(c);
            g += GetGValue(c);
            b += GetBValue(c);
            ++n;
        }
    if (!n)
        return 0;
    return RGB(uint8_t((r + n / 2) / n), uint8_t((g + n / 2) / n), uint8_t((b + n / 2) / n));
}

// The rows of one transfer, once BlitRun has settled its geometry: each row is fetched from the source (or
// sampled, for a stretch), combined with the pattern and the destination by the raster operation (two
// operations under a mask), and the pixels a transparent colour or a hollow brush spares are restored.
// The row buffers are sized once, for the widest visible rectangle.
class BlitRows {
public:
    BlitRows(const BlitJob& job, const HBITMAP__* src, bool mirrorX, bool mirrorY, bool usesPat, int maxWidth)
        : FJob(job), FDc(job.FDst), FDst(job.FDst->FState.FBitmap), FSrc(src),
          FUsesPat(usesPat), FAx{job.FDw, job.FSw, mirrorX}, FAy{job.FDh, job.FSh, mirrorY} {
        FDirect = src && job.FSw == job.FDw && job.FSh == job.FDh && !mirrorX && !mirrorY;
        if (src)
            FConv.emplace(src, job.FSrcDc, FDst, FDc);
        // A plain copy between bitmaps of one format moves whole pixels (alpha included); everything else
        // changes the colour bits only.
        bool sameFormat = src && FConv->FMode == BlitConverter::Same;
        FValueMask = sameFormat && job.FRop == BlitSrcCopy && !job.FMask ? ~0u : FDst->ValueMask();
        FKeyBits = src ? src->ValueMask() : 0;
        FFastCopy = FDirect && job.FRop == BlitSrcCopy && !job.FMask && !job.FKeyOn && sameFormat &&
                    FDst->FBitsPixel >= 8;
        const bool shrinking = job.FSw > job.FDw || job.FSh > job.FDh;
        const int mode = job.FStretchMode;
        FCombine = shrinking && (mode == BLACKONWHITE || mode == WHITEONBLACK || mode == HALFTONE);
        // The copy alone, or under a mask with the copy on one value of its bits and the destination kept
        // on the other (the transparent-copy idiom).
        const bool copyOnly = !job.FMask && job.FRop == BlitSrcCopy;
        const bool maskedCopy = job.FMask && ((job.FRop == BlitSrcCopy && job.FBackRop == BlitDestination) ||
                                              (job.FRop == BlitDestination && job.FBackRop == BlitSrcCopy));
        FCopyBit = job.FRop == BlitSrcCopy ? 1 : 0;
        FIndexedCopy = src && src->FBitsPixel == 8 && FDst->FBitsPixel == 32 && FConv->FTableFull &&
                       (copyOnly || maskedCopy) && !job.FKeyOn && (FDirect || !FCombine);
        const size_t n = size_t(maxWidth);
        FS.resize(n);
        FP.resize(n);
        FD.resize(n);
        FSpare.resize(n);
        FClear.resize(n);
        FKeepSrc.resize(n);
        FSxMap.resize(n);
    }

    bool Direct() const { return FDirect; }

    // Every row of one visible rectangle, bottom row first when upward.
    void Rect(const TRect& r, bool upward) {
        int n = r.Right - r.Left;
        if (!FDirect && FSrc)
            for (int i = 0; i < n; ++i)
                FSxMap[size_t(i)] = FJob.FSx + FAx.Nearest(r.Left + i - FJob.FDx);
        for (int k = 0; k < r.Bottom - r.Top; ++k)
            Row(r, upward ? r.Bottom - 1 - k : r.Top + k);
    }

private:
    void Row(const TRect& r, int y) {
        const int n = r.Right - r.Left, j = y - FJob.FDy;
        if (FIndexedCopy) {
            IndexedCopyRow(r, y, j, n);
            return;
        }
        if (FFastCopy) {
            int sy = FJob.FSy + j, sx = FJob.FSx + (r.Left - FJob.FDx);
            size_t bpp = size_t(FDst->FBitsPixel / 8);
            std::memmove(FDst->Row(y) + bpp * size_t(r.Left), FSrc->Row(sy) + bpp * size_t(sx),
                         bpp * size_t(n));
            return;
        }
        bool anyKeep = FSrc && (FDirect ? FetchSource(r, j, n) : SampleSource(r, j, n));
        bool anyClear = FUsesPat && FetchPattern(r.Left, y, n);
        gdi::LoadRow(FDst, r.Left, y, n, FD.data());
        bool restore = anyKeep || anyClear;
        if (restore)
            std::copy(FD.begin(), FD.begin() + n, FSpare.begin());
        ApplyRop(r, j, n);
        if (restore)
            Restore(n, anyKeep, anyClear);
        gdi::StoreRow(FDst, r.Left, y, n, FD.data());
    }

    // SRCCOPY from an 8-bit source into a 32-bit destination, same size or sampled by the nearest pixel,
    // bare or under a mask that copies where its bits are FCopyBit and keeps the destination elsewhere:
    // one table look-up a pixel. The destination keeps the bits outside its colour masks, as the general
    // path's raster operation does.
    void IndexedCopyRow(const TRect& r, int y, int j, int n) {
        const int sy = FJob.FSy + (FDirect ? j : FAy.Nearest(j));
        if (sy < 0 || sy >= FSrc->FHeight)
            return; // a sampled row outside the source keeps the destination
        const uint8_t* src = FSrc->Row(sy);
        uint32_t* dst = reinterpret_cast<uint32_t*>(FDst->Row(y)) + r.Left;
        const uint32_t* table = FConv->FTable.data();
        const uint32_t keep = ~FValueMask;
        const int width = FSrc->FWidth;
        if (!FJob.FMask) {
            if (FDirect) {
                src += FJob.FSx + (r.Left - FJob.FDx);
                for (int i = 0; i < n; ++i)
                    dst[i] = (dst[i] & keep) | table[src[i]];
                return;
            }
            for (int i = 0; i < n; ++i) {
                const int sx = FSxMap[size_t(i)];
                if (sx >= 0 && sx < width) // outside the source the destination stays
                    dst[i] = (dst[i] & keep) | table[src[sx]];
            }
            return;
        }
        // Columns [from, to) lie on the mask; mask pixels beyond it count as 0, so the columns off it are
        // copied when 0 copies and kept otherwise.
        const int64_t my = int64_t(FJob.FMy) + j;
        const uint8_t* mask = my >= 0 && my < FJob.FMask->FHeight ? FJob.FMask->Row(int(my)) : nullptr;
        const int64_t mx0 = int64_t(FJob.FMx) + (r.Left - FJob.FDx);
        const int from = mask ? int(std::clamp<int64_t>(-mx0, 0, n)) : n;
        const int to = mask ? int(std::clamp<int64_t>(int64_t(FJob.FMask->FWidth) - mx0, from, n)) : n;
        const int sx0 = FJob.FSx + (r.Left - FJob.FDx);
        auto sourceColumn = [&](int i) { return FDirect ? sx0 + i : FSxMap[size_t(i)]; };
        auto copy = [&](int i) {
            const int sx = sourceColumn(i);
            if (sx >= 0 && sx < width)
                dst[i] = (dst[i] & keep) | table[src[sx]];
        };
        if (FCopyBit == 0) {
            for (int i = 0; i < from; ++i)
                copy(i);
            for (int i = to; i < n; ++i)
                copy(i);
        }
        const uint32_t flip = FCopyBit ^ 1;
        if (FDirect) {
            // A mask byte at a time: whole bytes that copy or keep take no per-pixel test, mixed ones no
            // branch (a mask's pattern is as unpredictable as the picture's transparency).
            const uint8_t* s = src + sx0;
            const uint8_t flipByte = flip ? 0xFF : 0x00;
            auto mixed = [&](int i, uint32_t bit) {
                const uint32_t on = 0u - bit, old = dst[i];
                dst[i] = old ^ ((((old & keep) | table[s[i]]) ^ old) & on);
            };
            int i = from;
            for (; i < to && ((mx0 + i) & 7) != 0; ++i) {
                const int64_t mx = mx0 + i;
                mixed(i, ((mask[mx >> 3] >> (7 - (mx & 7))) & 1) ^ flip);
            }
            for (; i + 8 <= to; i += 8) {
                const uint8_t bits = mask[(mx0 + i) >> 3] ^ flipByte;
                if (bits == 0)
                    continue;
                if (bits == 0xFF) {
                    for (int k = i; k < i + 8; ++k)
                        dst[k] = (dst[k] & keep) | table[s[k]];
                    continue;
                }
                for (int k = 0; k < 8; ++k)
                    mixed(i + k, (bits >> (7 - k)) & 1);
            }
            for (; i < to; ++i) {
                const int64_t mx = mx0 + i;
                mixed(i, ((mask[mx >> 3] >> (7 - (mx & 7))) & 1) ^ flip);
            }
            return;
        }
        for (int i = from; i < to; ++i) {
            const int64_t mx = mx0 + i;
            if ((((mask[mx >> 3] >> (7 - (mx & 7))) & 1) ^ flip) != 0)
                copy(i);
        }
    }

    // Source fetch, same size: one row of source values in the destination's format; true when a
    // transparent colour keeps some destination pixels.
    bool FetchSource(const TRect& r, int j, int n) {
        gdi::LoadRow(FSrc, FJob.FSx + (r.Left - FJob.FDx), FJob.FSy + j, n, FS.data());
        bool anyKeep = false;
        if (FJob.FKeyOn)
            for (int i = 0; i < n; ++i) {
                FKeepSrc[size_t(i)] = (FS[size_t(i)] & FKeyBits) == FJob.FKey;
                anyKeep |= FKeepSrc[size_t(i)] != 0;
            }
        FConv->Convert(FS.data(), n);
        return anyKeep;
    }

    // Source fetch, stretched or mirrored: the nearest source pixel, or (shrinking under BLACKONWHITE,
    // WHITEONBLACK or HALFTONE) a combination of the source pixels a destination pixel covers. Destination
    // pixels whose source lies outside the source bitmap are kept.
    bool SampleSource(const TRect& r, int j, int n) {
        const int sy = FJob.FSy + FAy.Nearest(j);
        const int mode = FJob.FStretchMode;
        const bool combine = FCombine;
        const bool halftone = combine && mode == HALFTONE;
        const bool rowIn = sy >= 0 && sy < FSrc->FHeight;
        const uint8_t* srow = rowIn ? FSrc->Row(sy) : nullptr;
        int syFirst = 0, syLast = 0;
        if (combine) {
            FAy.Span(j, syFirst, syLast);
            syFirst += FJob.FSy;
            syLast += FJob.FSy;
        }
        bool anyKeep = false;
        for (int i = 0; i < n; ++i) {
            int sx = FSxMap[size_t(i)];
            FKeepSrc[size_t(i)] = !rowIn || sx < 0 || sx >= FSrc->FWidth;
            if (FKeepSrc[size_t(i)]) {
                anyKeep = true;
                FS[size_t(i)] = 0;
                continue;
            }
            if (!combine) {
                uint32_t v;
                if (FSrc->FBitsPixel == 32)
                    std::memcpy(&v, srow + 4 * size_t(sx), 4);
                else if (FSrc->FBitsPixel == 8)
                    v = srow[sx];
                else
                    v = FSrc->GetRaw(sx, sy);
                FS[size_t(i)] = v;
                continue;
            }
            int sxFirst, sxLast;
            FAx.Span(r.Left + i - FJob.FDx, sxFirst, sxLast);
            sxFirst += FJob.FSx;
            sxLast += FJob.FSx;
            if (halftone) {
                // The average is already a destination value; no conversion follows.
                FS[size_t(i)] = FDst->FromRgb(BlitBoxAverage(FSrc, sxFirst, sxLast, syFirst, syLast));
                continue;
            }
            // Combine the raw source values so that thin black (or white) lines survive.
            const bool shrinkAnd = mode == BLACKONWHITE;
            uint32_t acc = shrinkAnd ? ~0u : 0u;
            for (int yy = std::max(syFirst, 0); yy < std::min(syLast, FSrc->FHeight); ++yy)
                for (int xx = std::max(sxFirst, 0); xx < std::min(sxLast, FSrc->FWidth); ++xx)
                    acc = shrinkAnd ? (acc & FSrc->GetRaw(xx, yy)) : (acc | FSrc->GetRaw(xx, yy));
            FS[size_t(i)] = acc & FSrc->ValueMask();
        }
        if (halftone)
            return anyKeep;
        if (FJob.FKeyOn)
            for (int i = 0; i < n; ++i)
                if (!FKeepSrc[size_t(i)] && (FS[size_t(i)] & FKeyBits) == FJob.FKey) {
                    FKeepSrc[size_t(i)] = 1;
                    anyKeep = true;
                }
        FConv->Convert(FS.data(), n);
        return anyKeep;
    }

    // The brush's row; true when a hatched or hollow brush leaves some pixels alone.
    bool FetchPattern(int left, int y, int n) {
        if (!gdi::BrushRow(FDc, FDc->FState.FBrush, left, y, n, FP.data(), FClear.data())) {
            std::fill(FP.begin(), FP.begin() + n, 0u); // a null brush counts as black
            return false;
        }
        return std::find(FClear.begin(), FClear.begin() + n, 1) != FClear.begin() + n;
    }

    // Raster operation: the ternary operation on pattern, source and destination; under a mask its 1 bits
    // take FRop and its 0 bits FBackRop (mask pixels beyond the mask, which a scaling DC can ask for,
    // count as 0). The back operation's row goes through FMaskedOut.
    void ApplyRop(const TRect& r, int j, int n) {
        const uint32_t* pat = FUsesPat ? FP.data() : nullptr;
        const uint32_t* src = FSrc ? FS.data() : nullptr;
        if (!FJob.FMask) {
            gdi::RopRow(FJob.FRop, pat, src, FD.data(), n, FValueMask);
            return;
        }
        FMaskedOut.assign(FD.begin(), FD.begin() + n);
        gdi::RopRow(FJob.FRop, pat, src, FD.data(), n, FValueMask);
        gdi::RopRow(FJob.FBackRop, pat, src, FMaskedOut.data(), n, FValueMask);
        const int64_t my = int64_t(FJob.FMy) + j;
        const bool rowIn = my >= 0 && my < FJob.FMask->FHeight;
        const uint8_t* mask = rowIn ? FJob.FMask->Row(int(my)) : nullptr;
        for (int i = 0; i < n; ++i) {
            const int64_t mx = int64_t(FJob.FMx) + (r.Left + i - FJob.FDx);
            const bool in = rowIn && mx >= 0 && mx < FJob.FMask->FWidth;
            if (!in || !((mask[mx >> 3] >> (7 - (mx & 7))) & 1))
                FD[size_t(i)] = FMaskedOut[size_t(i)];
        }
    }

    // Restore: pixels of the transparent colour, outside the source, or under a hollow part of the brush
    // get their old value back.
    void Restore(int n, bool anyKeep, bool anyClear) {
        for (int i = 0; i < n; ++i)
            if ((anyKeep && FKeepSrc[size_t(i)]) || (anyClear && FClear[size_t(i)]))
                FD[size_t(i)] = FSpare[size_t(i)];
    }

    const BlitJob& FJob;
    const HDC FDc;
    HBITMAP__* const FDst;
    const HBITMAP__* const FSrc; // null when the operation takes no source
    const bool FUsesPat;
    const BlitAxis FAx, FAy;
    bool FDirect = false;
    bool FFastCopy = false;
    bool FCombine = false;     // shrinking under a mode that combines the source pixels a pixel covers
    bool FIndexedCopy = false; // see IndexedCopyRow
    uint32_t FCopyBit = 1;
    std::optional<BlitConverter> FConv;
    uint32_t FValueMask = 0;
    uint32_t FKeyBits = 0;
    // Row buffers: source, pattern, destination, the destination as it was, the brush's hollow pixels, the
    // pixels the source leaves alone, the source column of each pixel, the back operation's row.
    std::vector<uint32_t> FS, FP, FD, FSpare;
    std::vector<uint8_t> FClear, FKeepSrc;
    std::vector<int> FSxMap;
    std::vector<uint32_t> FMaskedOut;
};

// Points src at a copy of itself, for a transfer that reads and writes one bitmap with different geometry
// (a stretch or a mirror); false when there is no memory for the copy.
bool BlitSnapshot(const HBITMAP__*& src, std::unique_ptr<HBITMAP__>& snapshot) {
    snapshot.reset(gdi::NewBitmap(src->FWidth, src->FHeight, src->FBitsPixel, src->FTopDown));
    if (!snapshot)
        return false;
    std::memcpy(snapshot->FBits, src->FBits, size_t(int64_t(src->FStride) * src->FHeight));
    snapshot->SetMasks(src->FMasks[0], src->FMasks[1], src->FMasks[2]);
    snapshot->FColors = src->FColors;
    snapshot->FMono = src->FMono;
    src = snapshot.get();
    return true;
}

bool BlitRun(BlitJob job) {
    HDC dc = job.FDst;
    HBITMAP dst = dc->FState.FBitmap;
    if (!dst || job.FDw == 0 || job.FDh == 0)
        return TRUE;
    bool mirrorX = false, mirrorY = false;
    BlitNormalize(job.FDx, job.FDw, mirrorX);
    BlitNormalize(job.FDy, job.FDh, mirrorY);
    const HBITMAP__* src = job.FSrc;
    bool usesSrc = gdi::RopUsesSource(job.FRop) || (job.FMask && gdi::RopUsesSource(job.FBackRop));
    bool usesPat = gdi::RopUsesPattern(job.FRop) || (job.FMask && gdi::RopUsesPattern(job.FBackRop));
    if (!usesSrc)
        src = nullptr;
    if (usesSrc && !src)
        return FALSE;
    std::unique_ptr<HBITMAP__> snapshot;
    if (src) {
        if (job.FSw == 0 || job.FSh == 0)
            return TRUE;
        BlitNormalize(job.FSx, job.FSw, mirrorX);
        BlitNormalize(job.FSy, job.FSh, mirrorY);
        bool stretch = job.FSw != job.FDw || job.FSh != job.FDh || mirrorX || mirrorY;
        // Reading and writing one bitmap with different geometry: read from a copy.
        if (src == dst && stretch && !BlitSnapshot(src, snapshot))
            return FALSE;
    }
    bool direct = src && job.FSw == job.FDw && job.FSh == job.FDh && !mirrorX && !mirrorY;

    TRect area{job.FDx, job.FDy, job.FDx + job.FDw, job.FDy + job.FDh};
    if (direct) {
        // Pixels whose source lies outside the source bitmap are left alone.
        area = Intersect(
            area, Offset(TRect{0, 0, src->FWidth, src->FHeight}, job.FDx - job.FSx, job.FDy - job.FSy));
    }
    std::vector<TRect> rects;
    gdi::ForEachVisible(dc, area, [&](const TRect& r) { rects.push_back(r); });
    if (rects.empty())
        return TRUE;
    // Overlapping copies within one bitmap run from the far side.
    bool upward = direct && src == dst && job.FDy > job.FSy;
    if (upward)
        std::reverse(rects.begin(), rects.end());

    int maxW = 0;
    for (auto& r : rects)
        maxW = std::max(maxW, r.Right - r.Left);
    BlitRows rows(job, src, mirrorX, mirrorY, usesPat, maxW);
    for (const TRect& r : rects)
        rows.Rect(r, upward);
    return TRUE;
}

// The destination rectangle of a logical (x, y, w, h) in target coordinates, keeping the extents' signs.
void BlitMapRect(HDC dc, int x, int y, int w, int h, int& ox, int& oy, int& ow, int& oh) {
    POINT a = dc->ToDevice(x, y);
    POINT b = dc->ToDevice(int64_t(x) + w, int64_t(y) + h);
    ox = a.X;
    oy = a.Y;
    ow = b.X - a.X;
    oh = b.Y - a.Y;
}

bool BlitFromDc(HDC dst, int x, int y, int w, int h, HDC src, int xs, int ys, int ws, int hs, DWORD rop,
                bool stretch, const HBITMAP__* mask = nullptr, int mx = 0, int my = 0) {
    if (!gdi::Checked(dst) || !dst->FState.FBitmap)
        return FALSE;
    BlitJob job;
    job.FDst = dst;
    job.FRop = uint8_t(rop >> 16);
    job.FStretchMode = dst->FState.FStretchMode;
    BlitMapRect(dst, x, y, w, h, job.FDx, job.FDy, job.FDw, job.FDh);
    bool needSrc = gdi::RopUsesSource(job.FRop);
    if (mask) {
        job.FMask = mask;
        job.FBackRop = uint8_t(rop >> 24);
        needSrc = needSrc || gdi::RopUsesSource(job.FBackRop);
        job.FMx = mx;
        job.FMy = my;
    }
    if (needSrc) {
        if (!gdi::Checked(src) || !src->FState.FBitmap)
            return FALSE;
        job.FSrc = src->FState.FBitmap;
        job.FSrcDc = src;
        if (stretch) {
            BlitMapRect(src, xs, ys, ws, hs, job.FSx, job.FSy, job.FSw, job.FSh);
        } else {
            // BitBlt: the source covers the destination's device size unless the source DC scales.
            int sw, sh;
            BlitMapRect(src, xs, ys, w, h, job.FSx, job.FSy, sw, sh);
            job.FSw = sw;
            job.FSh = sh;
            if (std::abs(sw) == std::abs(job.FDw) && std::abs(sh) == std::abs(job.FDh)) {
                job.FSw = job.FDw;
                job.FSh = job.FDh;
            }
        }
    }
    return BlitRun(job);
}

} // namespace

BOOL BitBlt(HDC dst, int x, int y, int w, int h, HDC src, int xSrc, int ySrc, DWORD rop) {
    return BlitFromDc(dst, x, y, w, h, src, xSrc, ySrc, w, h, rop, false);
}

BOOL StretchBlt(HDC dst, int x, int y, int w, int h, HDC src, int xSrc, int ySrc, int wSrc, int hSrc,
                DWORD rop) {
    return BlitFromDc(dst, x, y, w, h, src, xSrc, ySrc, wSrc, hSrc, rop, true);
}

BOOL PatBlt(HDC dc, int x, int y, int w, int h, DWORD rop) {
    uint8_t r = uint8_t(rop >> 16);
    if (gdi::RopUsesSource(r))
        return FALSE;
    return BlitFromDc(dc, x, y, w, h, nullptr, 0, 0, 0, 0, rop, false);
}

BOOL MaskBlt(HDC dst, int x, int y, int w, int h, HDC src, int xSrc, int ySrc, HBITMAP mask, int xMask,
             int yMask, DWORD rop) {
    if (!mask)
        return BitBlt(dst, x, y, w, h, src, xSrc, ySrc, rop & 0x00FFFFFF);
    if (!gdi::Checked(mask) || mask->FBitsPixel != 1)
        return FALSE;
    if (w < 0 || h < 0 || xMask < 0 || yMask < 0 || int64_t(xMask) + w > mask->FWidth ||
        int64_t(yMask) + h > mask->FHeight)
        return FALSE;
    return BlitFromDc(dst, x, y, w, h, src, xSrc, ySrc, w, h, rop, false, mask, xMask, yMask);
}

int StretchDIBits(HDC dc, int xDest, int yDest, int wDest, int hDest, int xSrc, int ySrc, int wSrc, int hSrc,
                  const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop) {
    if (!gdi::Checked(dc) || !dc->FState.FBitmap)
        return 0;
    uint8_t r = uint8_t(rop >> 16);
    std::unique_ptr<HBITMAP__> view;
    BlitJob job;
    job.FDst = dc;
    job.FRop = r;
    job.FStretchMode = dc->FState.FStretchMode;
    BlitMapRect(dc, xDest, yDest, wDest, hDest, job.FDx, job.FDy, job.FDw, job.FDh);
    if (gdi::RopUsesSource(r)) {
        if (!bits)
            return 0;
        view = gdi::DibView(info, usage, dc, bits);
        if (!view)
            return 0;
        job.FSrc = view.get();
        // Source coordinates count rows from the bottom of the DIB; a bottom-up rectangle flips.
        int64_t sy = view->FTopDown ? int64_t(ySrc) : int64_t(view->FHeight) - ySrc - hSrc;
        if (hSrc < 0 && !view->FTopDown)
            sy = int64_t(view->FHeight) - ySrc;
        if (std::llabs(sy) > gdi::MaxCoord || std::abs(int64_t(xSrc)) > gdi::MaxCoord ||
            std::abs(int64_t(wSrc)) > gdi::MaxCoord || std::abs(int64_t(hSrc)) > gdi::MaxCoord)
            return 0;
        job.FSx = xSrc;
        job.FSw = wSrc;
        job.FSy = int(sy);
        job.FSh = hSrc;
    }
    BlitRun(job);
    return view ? std::abs(hSrc) : std::abs(hDest);
}

int SetDIBitsToDevice(HDC dc, int xDest, int yDest, DWORD w, DWORD h, int xSrc, int ySrc, UINT startScan,
                      UINT lines, const void* bits, const BITMAPINFO* info, UINT usage) {
    if (!gdi::Checked(dc) || !dc->FState.FBitmap || !bits || w > INT32_MAX || h > INT32_MAX)
        return 0;
    if (std::abs(int64_t(xSrc)) > gdi::MaxCoord || std::abs(int64_t(ySrc)) > gdi::MaxCoord)
        return 0;
    auto view = gdi::DibView(info, usage, dc, nullptr);
    if (!view)
        return 0;
    // The bits hold scan lines [startScan, startScan + lines) of the whole image, bottom-up rows unless
    // the header is top-down.
    int64_t full = view->FHeight;
    if (startScan >= full)
        return 0;
    int64_t band = std::min<int64_t>(lines, full - startScan);
    BITMAPINFOHEADER h2 = info->bmiHeader;
    size_t table = gdi::DibTableBytes(info->bmiHeader, usage);
    std::vector<uint8_t> hdr(info->bmiHeader.biSize + table);
    std::memcpy(hdr.data(), info, hdr.size());
    auto* bandInfo = reinterpret_cast<BITMAPINFO*>(hdr.data());
    bandInfo->bmiHeader.biHeight = view->FTopDown ? -int32_t(band) : int32_t(band);
    (void)h2;
    auto bandView = gdi::DibView(bandInfo, usage, dc, bits);
    if (!bandView)
        return 0;
    BlitJob job;
    job.FDst = dc;
    job.FRop = BlitSrcCopy;
    BlitMapRect(dc, xDest, yDest, int(w), int(h), job.FDx, job.FDy, job.FDw, job.FDh);
    job.FSrc = bandView.get();
    job.FSx = xSrc;
    job.FSw = job.FDw;
    job.FSh = job.FDh;
    // ySrc counts from the bottom of the whole image; the band starts at startScan.
    int64_t topInBand = view->FTopDown ? int64_t(ySrc) - int64_t(startScan)
                                       : (int64_t(startScan) + band) - (int64_t(ySrc) + job.FDh);
    if (topInBand < INT32_MIN || topInBand > INT32_MAX)
        return 0;
    job.FSy = int(topInBand);
    BlitRun(job);
    return int(band);
}

BOOL TransparentBlt(HDC dst, int x, int y, int w, int h, HDC src, int xSrc, int ySrc, int wSrc, int hSrc,
                    UINT transparent) {
    if (!gdi::Checked(dst) || !gdi::Checked(src) || !dst->FState.FBitmap || !src->FState.FBitmap)
        return FALSE;
    if (w < 0 || h < 0 || wSrc < 0 || hSrc < 0)
        return FALSE;
    BlitJob job;
    job.FDst = dst;
    job.FRop = BlitSrcCopy;
    job.FStretchMode = COLORONCOLOR;
    BlitMapRect(dst, x, y, w, h, job.FDx, job.FDy, job.FDw, job.FDh);
    BlitMapRect(src, xSrc, ySrc, wSrc, hSrc, job.FSx, job.FSy, job.FSw, job.FSh);
    job.FSrc = src->FState.FBitmap;
    job.FSrcDc = src;
    job.FKeyOn = true;
    job.FKey = job.FSrc->FromRgb(gdi::ResolveColor(src, transparent));
    return BlitRun(job);
}

BOOL AlphaBlend(HDC dst, int x, int y, int w, int h, HDC src, int xSrc, int ySrc, int wSrc, int hSrc,
                BLENDFUNCTION blend) {
    if (!gdi::Checked(dst) || !gdi::Checked(src) || !dst->FState.FBitmap || !src->FState.FBitmap)
        return FALSE;
    if (blend.BlendOp != AC_SRC_OVER || w < 0 || h < 0 || wSrc < 0 || hSrc < 0)
        return FALSE;
    HBITMAP d = dst->FState.FBitmap;
    const HBITMAP__* s = src->FState.FBitmap;
    bool perPixel = (blend.AlphaFormat & AC_SRC_ALPHA) != 0;
    if (perPixel && s->FBitsPixel != 32)
        return FALSE;
    int dx, dy, dw, dh, sx, sy, sw, sh;
    BlitMapRect(dst, x, y, w, h, dx, dy, dw, dh);
    BlitMapRect(src, xSrc, ySrc, wSrc, hSrc, sx, sy, sw, sh);
    if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0)
        return dw >= 0 && dh >= 0 && sw >= 0 && sh >= 0;
    // The source rectangle must lie within the source bitmap.
    if (sx < 0 || sy < 0 || int64_t(sx) + sw > s->FWidth || int64_t(sy) + sh > s->FHeight)
        return FALSE;
    BlitAxis ax{dw, sw, false}, ay{dh, sh, false};
    uint32_t sca = blend.SourceConstantAlpha;
    bool native = d->IsNative32();
    gdi::ForEachVisible(dst, TRect{dx, dy, dx + dw, dy + dh}, [&](const TRect& r) {
        for (int py = r.Top; py < r.Bottom; ++py) {
            int syy = sy + ay.Nearest(py - dy);
            for (int px = r.Left; px < r.Right; ++px) {
                uint32_t raw = s->GetRaw(sx + ax.Nearest(px - dx), syy);
                COLORREF c = s->ToRgb(raw);
                uint32_t a = perPixel ? raw >> 24 : 255;
                // Premultiplied source, scaled by the constant alpha.
                uint32_t sr = GetRValue(c), sg = GetGValue(c), sb = GetBValue(c);
                sr = (sr * sca + 127) / 255;
                sg = (sg * sca + 127) / 255;
                sb = (sb * sca + 127) / 255;
                a = (a * sca + 127) / 255;
                uint32_t draw = d->GetRaw(px, py);
                COLORREF dc = d->ToRgb(draw);
                uint32_t inv = 255 - a;
                uint32_t r2 = std::min<uint32_t>(255, sr + (GetRValue(dc) * inv + 127) / 255);
                uint32_t g2 = std::min<uint32_t>(255, sg + (GetGValue(dc) * inv + 127) / 255);
                uint32_t b2 = std::min<uint32_t>(255, sb + (GetBValue(dc) * inv + 127) / 255);
                uint32_t out = d->FromRgb(RGB(uint8_t(r2), uint8_t(g2), uint8_t(b2)));
                if (native) {
                    uint32_t da = draw >> 24;
                    out |= std::min<uint32_t>(255, a + (da * inv + 127) / 255) << 24;
                }
                d->SetRaw(px, py, out);
            }
        }
    });
    return TRUE;
}

} // namespace win
