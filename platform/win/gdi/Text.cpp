// Text output and measurement: glyph coverage blended with the text colour into the DC's target.
#include "platform/win/gdi/Text.h"
#include "platform/win/gdi/GdiObjects.h"
#include "platform/win/gdi/TextRender.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace win {
namespace text {
namespace {

inline uint8_t TextMix(uint8_t dst, uint8_t src, unsigned a) {
    return uint8_t((unsigned(dst) * (255 - a) + unsigned(src) * a + 127) / 255);
}

// Calls fn(x0, x1) for the part of [x, x + n) of row y inside each clip rectangle.
template <class F> void TextClipSpan(const std::vector<TRect>& clip, int x, int y, int n, F&& fn) {
    const int64_t end = int64_t(x) + n;
    for (const TRect& c : clip) {
        if (y < c.Top || y >= c.Bottom)
            continue;
        const int x0 = std::max(x, c.Left);
        const int x1 = int(std::min<int64_t>(end, c.Right));
        if (x0 < x1)
            fn(x0, x1);
    }
}

TRect TextClipBounds(const std::vector<TRect>& clip) {
    if (clip.empty())
        return TRect{};
    TRect box = clip.front();
    for (const TRect& c : clip) {
        box.Left = std::min(box.Left, c.Left);
        box.Top = std::min(box.Top, c.Top);
        box.Right = std::max(box.Right, c.Right);
        box.Bottom = std::max(box.Bottom, c.Bottom);
    }
    return box;
}

class TextDcSink final : public TextSink {
public:
    TextDcSink(HDC dc, HBITMAP__* bmp, std::vector<TRect> clip) : FDc(dc), FBmp(bmp), FClip(std::move(clip)) {
        FBounds = TextClipBounds(FClip);
        FFast32 = bmp->FBitsPixel == 32 && !bmp->FMono &&
                  (bmp->FCompression == BI_RGB ||
                   (bmp->FMasks[0] == 0xFF0000 && bmp->FMasks[1] == 0xFF00 && bmp->FMasks[2] == 0xFF));
    }

    void Blend(int x, int y, const uint8_t* coverage, int n, COLORREF colour) override {
        const uint32_t solid = gdi::DevicePixel(FDc, colour);
        TextClipSpan(FClip, x, y, n, [&](int x0, int x1) {
            if (FFast32) {
                uint8_t* p = FBmp->Row(y) + int64_t(x0) * 4;
                const uint8_t r = GetRValue(colour), g = GetGValue(colour), b = GetBValue(colour);
                for (int i = x0; i < x1; ++i, p += 4) {
                    const unsigned a = coverage[i - x];
                    if (a == 0)
                        continue;
                    if (a == 255) {
                        std::memcpy(p, &solid, 4);
                        continue;
                    }
                    p[0] = TextMix(p[0], b, a);
                    p[1] = TextMix(p[1], g, a);
                    p[2] = TextMix(p[2], r, a);
                }
                return;
            }
            for (int i = x0; i < x1; ++i) {
                const unsigned a = coverage[i - x];
                if (a == 0)
                    continue;
                if (a == 255) {
                    FBmp->SetRaw(i, y, solid);
                    continue;
                }
                const COLORREF d = FBmp->ToRgb(FBmp->GetRaw(i, y));
                const COLORREF m = RGB(TextMix(GetRValue(d), GetRValue(colour), a),
                                       TextMix(GetGValue(d), GetGValue(colour), a),
                                       TextMix(GetBValue(d), GetBValue(colour), a));
                FBmp->SetRaw(i, y, FBmp->FromRgb(m));
            }
        });
    }

    void Fill(int x, int y, int n, COLORREF colour) override {
        const uint32_t solid = gdi::DevicePixel(FDc, colour);
        TextClipSpan(FClip, x, y, n, [&](int x0, int x1) {
            if (FFast32) {
                uint32_t* p = reinterpret_cast<uint32_t*>(FBmp->Row(y)) + x0;
                std::fill(p, p + (x1 - x0), solid);
                return;
            }
            for (int i = x0; i < x1; ++i)
                FBmp->SetRaw(i, y, solid);
        });
    }

    TRect Bounds() const override { return FBounds; }

private:
    HDC FDc;
    HBITMAP__* FBmp;
    std::vector<TRect> FClip;
    TRect FBounds;
    bool FFast32 = false;
};

} // namespace

MemorySink::MemorySink(uint8_t* bits, int width, int height, int stride)
    : FBits(bits), FWidth(width), FHeight(height), FStride(stride), FClip{TRect{0, 0, width, height}} {}

template <class F> void MemorySink::EachPixel(int x, int y, int n, F&& pixel) {
    TextClipSpan(FClip, x, y, n, [&](int x0, int x1) {
        x0 = std::max(x0, 0);
        x1 = std::min(x1, FWidth);
        if (y < 0 || y >= FHeight)
            return;
        uint8_t* p = FBits + int64_t(y) * FStride + int64_t(x0) * 4;
        for (int i = x0; i < x1; ++i, p += 4)
            pixel(p, i - x);
    });
}

void MemorySink::Blend(int x, int y, const uint8_t* coverage, int n, COLORREF colour) {
    EachPixel(x, y, n, [&](uint8_t* p, int i) {
        const unsigned a = coverage[i];
        p[0] = TextMix(p[0], GetBValue(colour), a);
        p[1] = TextMix(p[1], GetGValue(colour), a);
        p[2] = TextMix(p[2], GetRValue(colour), a);
    });
}

void MemorySink::Fill(int x, int y, int n, COLORREF colour) {
    EachPixel(x, y, n, [&](uint8_t* p, int) {
        p[0] = GetBValue(colour);
        p[1] = GetGValue(colour);
        p[2] = GetRValue(colour);
    });
}

TRect MemorySink::Bounds() const {
    return Intersect(TextClipBounds(FClip), TRect{0, 0, FWidth, FHeight});
}

std::unique_ptr<TextSink> MakeDcSink(HDC dc, const TRect* deviceClip) {
    if (!dc || !dc->Target() || !dc->Target()->FBits)
        return nullptr;
    gdi::Region vis = dc->Visible();
    std::vector<TRect> rects;
    rects.reserve(vis.FRects.size());
    for (const TRect& r : vis.FRects) {
        const TRect c = deviceClip ? Intersect(r, *deviceClip) : r;
        if (!c.IsEmpty())
            rects.push_back(c);
    }
    return std::make_unique<TextDcSink>(dc, dc->Target(), std::move(rects));
}

void FillQuad(TextSink& sink, const double* xs, const double* ys, COLORREF colour) {
    const TRect bounds = sink.Bounds();
    if (bounds.IsEmpty())
        return;
    double minY = ys[0], maxY = ys[0];
    for (int i = 1; i < 4; ++i) {
        minY = std::min(minY, ys[i]);
        maxY = std::max(maxY, ys[i]);
    }
    // Rows whose pixel centres lie inside, limited to the sink.
    const int64_t y0 = std::max<int64_t>(int64_t(std::ceil(minY - 0.5)), bounds.Top);
    const int64_t y1 = std::min<int64_t>(int64_t(std::ceil(maxY - 0.5)), bounds.Bottom);
    for (int64_t y = y0; y < y1; ++y) {
        const double cy = double(y) + 0.5;
        double left = 1e300, right = -1e300;
        for (int i = 0; i < 4; ++i) {
            const int j = (i + 1) % 4;
            const double ya = ys[i], yb = ys[j];
            if ((ya <= cy && cy < yb) || (yb <= cy && cy < ya)) {
                const double x = xs[i] + (cy - ya) * (xs[j] - xs[i]) / (yb - ya);
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
        if (left > right)
            continue;
        const int64_t x0 = std::max<int64_t>(int64_t(std::ceil(left - 0.5)), bounds.Left);
        const int64_t x1 = std::min<int64_t>(int64_t(std::ceil(right - 0.5)), bounds.Right);
        if (x0 < x1)
            sink.Fill(int(x0), int(y), int(x1 - x0), colour);
    }
}

RunAxes AxesOf(const RealizedFont& font) {
    RunAxes axes;
    const double a = font.Angle();
    if (a != 0) {
        // Counter-clockwise on screen, where y points down. Quarter turns stay exact.
        double c = std::cos(a), s = std::sin(a);
        if (std::fabs(c) < 1e-12)
            c = 0;
        if (std::fabs(s) < 1e-12)
            s = 0;
        axes.Ux = c;
        axes.Uy = -s;
        axes.Vx = s;
        axes.Vy = c;
    }
    return axes;
}

void FillBand(TextSink& sink, const RunAxes& ax, double ox, double oy, double from, double to, double top,
              double bottom, COLORREF colour) {
    const double xs[4] = {ox + ax.Ux * from + ax.Vx * top, ox + ax.Ux * to + ax.Vx * top,
                          ox + ax.Ux * to + ax.Vx * bottom, ox + ax.Ux * from + ax.Vx * bottom};
    const double ys[4] = {oy + ax.Uy * from + ax.Vy * top, oy + ax.Uy * to + ax.Vy * top,
                          oy + ax.Uy * to + ax.Vy * bottom, oy + ax.Uy * from + ax.Vy * bottom};
    FillQuad(sink, xs, ys, colour);
}

void DrawGlyphs(TextSink& sink, RealizedFont& font, double ox, double oy, const std::u32string& text,
                const std::vector<int>& advances, COLORREF colour) {
    const TRect bounds = sink.Bounds();
    if (bounds.IsEmpty())
        return;
    const RunAxes ax = AxesOf(font);
    int64_t pen = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const double gx = ox + ax.Ux * double(pen), gy = oy + ax.Uy * double(pen);
        pen += advances[i];
        if (std::fabs(gx) > 1e9 || std::fabs(gy) > 1e9)
            continue;
        const std::shared_ptr<const GlyphBitmap> glyph = font.Glyph(text[i]);
        const GlyphBitmap& g = *glyph;
        if (g.Width <= 0 || g.Height <= 0)
            continue;
        const int64_t left = std::lround(gx) + g.Left, top = std::lround(gy) + g.Top;
        if (left >= bounds.Right || top >= bounds.Bottom || left + g.Width <= bounds.Left ||
            top + g.Height <= bounds.Top)
            continue;
        for (int row = 0; row < g.Height; ++row) {
            const int64_t y = top + row;
            if (y < bounds.Top || y >= bounds.Bottom)
                continue;
            sink.Blend(int(left), int(y), g.Coverage.data() + size_t(row) * size_t(g.Width), g.Width, colour);
        }
    }
}

std::vector<int> RunAdvances(RealizedFont& font, const std::u32string& text, int extra, int* total) {
    std::vector<int> advances(text.size());
    int64_t sum = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        advances[i] = font.Advance(text[i]) + extra;
        sum += advances[i];
    }
    if (total)
        *total = int(std::clamp<int64_t>(sum, INT32_MIN, INT32_MAX));
    return advances;
}

std::shared_ptr<RealizedFont> DcFont(HDC dc) {
    HFONT f = dc->FState.FFont ? dc->FState.FFont : static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
    if (!f || dc->IsIdentityMapping())
        return FontRealized(f);
    LOGFONT lf = f->FLog;
    const auto scale = [](LONG v, int scaled) {
        const LONG m = LONG(std::min<int64_t>(std::abs(int64_t(scaled)), INT32_MAX / 2));
        return v == 0 ? 0 : std::max<LONG>(m, 1) * (v < 0 ? -1 : 1);
    };
    lf.lfHeight =
        scale(lf.lfHeight, dc->ScaleY(std::clamp<LONG>(lf.lfHeight, -INT32_MAX / 2, INT32_MAX / 2)));
    lf.lfWidth = scale(lf.lfWidth, dc->ScaleX(std::clamp<LONG>(lf.lfWidth, 0, INT32_MAX / 2)));
    return RealizeFont(lf);
}

int DcLogicalX(HDC dc, int64_t v) {
    const int d = int(std::clamp<int64_t>(v, INT32_MIN / 2, INT32_MAX / 2));
    if (dc->IsIdentityMapping())
        return std::abs(d);
    return std::abs(dc->ToLogical(d, 0).X - dc->ToLogical(0, 0).X);
}

int DcLogicalY(HDC dc, int64_t v) {
    const int d = int(std::clamp<int64_t>(v, INT32_MIN / 2, INT32_MAX / 2));
    if (dc->IsIdentityMapping())
        return std::abs(d);
    return std::abs(dc->ToLogical(0, d).Y - dc->ToLogical(0, 0).Y);
}

BOOL TextOutRun(HDC dc, int x, int y, UINT options, const RECT* rect, const std::u32string& text,
                const std::vector<int>* given) {
    if (!dc)
        return FALSE;
    gdi::DcState& st = dc->FState;
    std::shared_ptr<RealizedFont> font = DcFont(dc);
    const bool scaled = !dc->IsIdentityMapping();
    const TEXTMETRIC& tm = font->Metrics();
    const LOGFONT* lf = FontLogFont(st.FFont);
    const bool underline = lf && lf->lfUnderline;
    const bool strikeOut = lf && lf->lfStrikeOut;

    int width = 0;
    std::vector<int> advances;
    if (given) {
        advances = *given;
        int64_t sum = 0;
        for (int& a : advances) {
            if (scaled)
                a = dc->ScaleX(a);
            sum += a;
        }
        width = int(std::clamp<int64_t>(sum, INT32_MIN, INT32_MAX));
    } else {
        advances =
            RunAdvances(*font, text, scaled ? dc->ScaleX(st.FTextCharExtra) : st.FTextCharExtra, &width);
    }

    const UINT align = st.FTextAlign;
    POINT ref = (align & TA_UPDATECP) ? st.FCurPos : POINT{x, y};
    const POINT dev = dc->ToDevice(ref.X, ref.Y);
    const RunAxes ax = AxesOf(*font);

    double start = 0;
    if ((align & TA_CENTER) == TA_CENTER)
        start = -double(width / 2);
    else if (align & TA_RIGHT)
        start = -double(width);
    double across = 0; // from the reference point down to the baseline
    if ((align & TA_BASELINE) == TA_BASELINE)
        across = 0;
    else if (align & TA_BOTTOM)
        across = -double(tm.tmDescent);
    else
        across = double(tm.tmAscent);
    const double ox = dev.X + ax.Ux * start + ax.Vx * across;
    const double oy = dev.Y + ax.Uy * start + ax.Vy * across;

    TRect devRect{};
    if (rect)
        devRect = dc->ToDevice(*rect);
    const COLORREF textColour = gdi::ResolveColor(dc, st.FTextColor);
    const COLORREF bkColour = gdi::ResolveColor(dc, st.FBkColor);

    if (rect && (options & ETO_OPAQUE)) {
        if (auto sink = MakeDcSink(dc, nullptr)) {
            const TRect fill = Intersect(devRect, sink->Bounds());
            for (int row = fill.Top; row < fill.Bottom; ++row)
                sink->Fill(fill.Left, row, fill.Right - fill.Left, bkColour);
        }
    }
    std::unique_ptr<TextSink> sink = MakeDcSink(dc, rect && (options & ETO_CLIPPED) ? &devRect : nullptr);
    if (sink) {
        if (st.FBkMode == OPAQUE && !text.empty())
            FillBand(*sink, ax, ox, oy, 0, width, -tm.tmAscent, tm.tmDescent, bkColour);
        DrawGlyphs(*sink, *font, ox, oy, text, advances, textColour);
        if (underline)
            FillBand(*sink, ax, ox, oy, 0, width, font->UnderlinePosition(),
                     font->UnderlinePosition() + font->UnderlineThickness(), textColour);
        if (strikeOut)
            FillBand(*sink, ax, ox, oy, 0, width, font->StrikeOutPosition(),
                     font->StrikeOutPosition() + font->StrikeOutThickness(), textColour);
    }

    if (align & TA_UPDATECP) {
        // The current position moves past the text along the baseline (back for right alignment).
        const double move = (align & TA_CENTER) == TA_CENTER ? 0 : (align & TA_RIGHT) ? -width : width;
        const POINT to =
            dc->ToLogical(dev.X + int(std::lround(ax.Ux * move)), dev.Y + int(std::lround(ax.Uy * move)));
        st.FCurPos = to;
    }
    return TRUE;
}

} // namespace text

namespace {

// Per-character advances from a per-byte spacing array.
std::vector<int> TextAdvancesFromBytes(const int* dx, const std::vector<int>& byteLengths) {
    std::vector<int> advances;
    advances.reserve(byteLengths.size());
    size_t i = 0;
    for (int len : byteLengths) {
        int64_t sum = 0;
        for (int k = 0; k < len; ++k)
            sum += dx[i + size_t(k)];
        advances.push_back(int(std::clamp<int64_t>(sum, INT32_MIN / 2, INT32_MAX / 2)));
        i += size_t(len);
    }
    return advances;
}

} // namespace

UINT SetTextAlign(HDC dc, UINT align) {
    if (!dc)
        return GDI_ERROR;
    const UINT old = dc->FState.FTextAlign;
    dc->FState.FTextAlign = align & TA_MASK;
    return old;
}

UINT GetTextAlign(HDC dc) {
    return dc ? dc->FState.FTextAlign : GDI_ERROR;
}

int SetTextCharacterExtra(HDC dc, int extra) {
    if (!dc)
        return int(0x80000000);
    const int old = dc->FState.FTextCharExtra;
    dc->FState.FTextCharExtra = extra;
    return old;
}

int GetTextCharacterExtra(HDC dc) {
    return dc ? dc->FState.FTextCharExtra : int(0x80000000);
}

BOOL TextOut(HDC dc, int x, int y, const char* text, int count) {
    if (!dc || count < 0 || (!text && count > 0))
        return FALSE;
    return text::TextOutRun(dc, x, y, 0, nullptr, DecodeText(text, count), nullptr);
}

BOOL ExtTextOut(HDC dc, int x, int y, UINT options, const RECT* rect, const char* text, UINT count,
                const int* dx) {
    if (!dc || (!text && count > 0) || count > UINT(INT32_MAX))
        return FALSE;
    std::vector<int> lengths;
    const std::u32string chars = DecodeText(text, int(count), &lengths);
    if (dx) {
        const std::vector<int> advances = TextAdvancesFromBytes(dx, lengths);
        return text::TextOutRun(dc, x, y, options, rect, chars, &advances);
    }
    return text::TextOutRun(dc, x, y, options, rect, chars, nullptr);
}

BOOL GetTextExtentExPoint(HDC dc, const char* text, int count, int maxExtent, int* fit, int* dx, SIZE* size) {
    if (!dc || count < 0 || (!text && count > 0) || !size)
        return FALSE;
    std::shared_ptr<RealizedFont> font = text::DcFont(dc);
    const int extra =
        dc->IsIdentityMapping() ? dc->FState.FTextCharExtra : dc->ScaleX(dc->FState.FTextCharExtra);
    int64_t extent = 0;
    int fitted = 0;
    std::vector<int> lengths;
    const std::u32string chars = DecodeText(text, count, &lengths);
    int byte = 0;
    for (size_t c = 0; c < chars.size(); ++c) {
        const char32_t ch = chars[c];
        const int len = lengths[c];
        extent += font->Advance(ch) + extra;
        const int logical = text::DcLogicalX(dc, extent);
        for (int k = 0; k < len; ++k) {
            if (dx)
                dx[byte + k] = logical;
        }
        if (logical <= maxExtent && fitted == byte)
            fitted = byte + len;
        byte += len;
    }
    if (fit)
        *fit = fitted;
    size->cx = text::DcLogicalX(dc, extent);
    size->cy = text::DcLogicalY(dc, font->Metrics().tmHeight);
    return TRUE;
}

BOOL GetTextExtentPoint32(HDC dc, const char* text, int count, SIZE* size) {
    return GetTextExtentExPoint(dc, text, count, 0, nullptr, nullptr, size);
}

BOOL GetTextMetrics(HDC dc, TEXTMETRIC* metrics) {
    if (!dc || !metrics)
        return FALSE;
    *metrics = text::DcFont(dc)->Metrics();
    if (!dc->IsIdentityMapping()) {
        for (LONG* v : {&metrics->tmHeight, &metrics->tmAscent, &metrics->tmDescent,
                        &metrics->tmInternalLeading, &metrics->tmExternalLeading})
            *v = text::DcLogicalY(dc, *v);
        for (LONG* v : {&metrics->tmAveCharWidth, &metrics->tmMaxCharWidth, &metrics->tmOverhang})
            *v = text::DcLogicalX(dc, *v);
    }
    return TRUE;
}

BOOL GetCharWidth32(HDC dc, UINT first, UINT last, int* widths) {
    if (!dc || !widths || last < first || last > 0x10FFFF)
        return FALSE;
    std::shared_ptr<RealizedFont> font = text::DcFont(dc);
    for (UINT ch = first; ch <= last; ++ch)
        widths[ch - first] = text::DcLogicalX(dc, font->Advance(char32_t(ch)));
    return TRUE;
}

int GetTextFace(HDC dc, int count, char* name) {
    if (!dc)
        return 0;
    const LOGFONT* lf = FontLogFont(dc->FState.FFont);
    std::string face = lf ? std::string(lf->lfFaceName, strnlen(lf->lfFaceName, LF_FACESIZE)) : std::string();
    if (face.empty())
        face = RealizedFamilyName(dc->FState.FFont);
    if (!name)
        return int(face.size()) + 1;
    if (count <= 0)
        return 0;
    const int n = std::min<int>(count - 1, int(face.size()));
    std::memcpy(name, face.data(), size_t(n));
    name[n] = '\0';
    return n + 1;
}

} // namespace win
