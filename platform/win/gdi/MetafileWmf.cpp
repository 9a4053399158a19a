// Windows metafiles (WMF): the headers and the records. A record is a size in 16-bit words, a function
// number and its parameters, which are stored last to first (a rectangle is bottom, right, top, left).
#include "platform/win/gdi/MetafilePlayer.h"

#include <algorithm>
#include <cmath>

namespace win {

namespace {

constexpr uint32_t PlaceableKey = 0x9AC6CDD7;
constexpr size_t PlaceableSize = 22;
constexpr size_t WmfHeaderSize = 18;

enum : uint16_t {
    META_EOF = 0x0000,
    META_SAVEDC = 0x001E,
    META_REALIZEPALETTE = 0x0035,
    META_SETPALENTRIES = 0x0037,
    META_CREATEPALETTE = 0x00F7,
    META_SETBKMODE = 0x0102,
    META_SETMAPMODE = 0x0103,
    META_SETROP2 = 0x0104,
    META_SETPOLYFILLMODE = 0x0106,
    META_SETSTRETCHBLTMODE = 0x0107,
    META_SETTEXTCHAREXTRA = 0x0108,
    META_RESTOREDC = 0x0127,
    META_INVERTREGION = 0x012A,
    META_PAINTREGION = 0x012B,
    META_SELECTCLIPREGION = 0x012C,
    META_SELECTOBJECT = 0x012D,
    META_SETTEXTALIGN = 0x012E,
    META_RESIZEPALETTE = 0x0139,
    META_DIBCREATEPATTERNBRUSH = 0x0142,
    META_DELETEOBJECT = 0x01F0,
    META_CREATEPATTERNBRUSH = 0x01F9,
    META_SETBKCOLOR = 0x0201,
    META_SETTEXTCOLOR = 0x0209,
    META_SETWINDOWORG = 0x020B,
    META_SETWINDOWEXT = 0x020C,
    META_SETVIEWPORTORG = 0x020D,
    META_SETVIEWPORTEXT = 0x020E,
    META_OFFSETWINDOWORG = 0x020F,
    META_OFFSETVIEWPORTORG = 0x0211,
    META_LINETO = 0x0213,
    META_MOVETO = 0x0214,
    META_OFFSETCLIPRGN = 0x0220,
    META_FILLREGION = 0x0228,
    META_SELECTPALETTE = 0x0234,
    META_CREATEPENINDIRECT = 0x02FA,
    META_CREATEFONTINDIRECT = 0x02FB,
    META_CREATEBRUSHINDIRECT = 0x02FC,
    META_POLYGON = 0x0324,
    META_POLYLINE = 0x0325,
    META_SCALEWINDOWEXT = 0x0410,
    META_SCALEVIEWPORTEXT = 0x0412,
    META_EXCLUDECLIPRECT = 0x0415,
    META_INTERSECTCLIPRECT = 0x0416,
    META_ELLIPSE = 0x0418,
    META_FLOODFILL = 0x0419,
    META_FRAMEREGION = 0x0429,
    META_RECTANGLE = 0x041B,
    META_SETPIXEL = 0x041F,
    META_TEXTOUT = 0x0521,
    META_POLYPOLYGON = 0x0538,
    META_EXTFLOODFILL = 0x0548,
    META_ROUNDRECT = 0x061C,
    META_PATBLT = 0x061D,
    META_CREATEREGION = 0x06FF,
    META_ARC = 0x0817,
    META_PIE = 0x081A,
    META_CHORD = 0x0830,
    META_BITBLT = 0x0922,
    META_DIBBITBLT = 0x0940,
    META_EXTTEXTOUT = 0x0A32,
    META_STRETCHBLT = 0x0B23,
    META_DIBSTRETCHBLT = 0x0B41,
    META_SETDIBTODEV = 0x0D33,
    META_STRETCHDIB = 0x0F43,
};

uint16_t WmfU16(const uint8_t* p) {
    return uint16_t(p[0] | p[1] << 8);
}
uint32_t WmfU32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

} // namespace

namespace meta {

namespace {

using std::vector;

Pt WmfPt(const Rec& r, size_t xAt, size_t yAt) {
    return Pt{double(r.I16(xAt)), double(r.I16(yAt))};
}

// Points stored x, y from offset at.
bool WmfPoints(const Rec& r, size_t at, size_t count, vector<Pt>& out) {
    if (!r.Has(at, count * 4))
        return false;
    out.reserve(out.size() + count);
    for (size_t i = 0; i < count; ++i)
        out.push_back(Pt{double(r.I16(at + 4 * i)), double(r.I16(at + 4 * i + 2))});
    return true;
}

// Face names of WMF fonts are 8-bit: Latin-1 becomes UTF-8, cut at the LOGFONT's size.
void SetFaceName(LOGFONT& lf, const uint8_t* name, size_t n) {
    std::string utf8;
    for (size_t i = 0; i < n && name[i]; ++i) {
        uint8_t c = name[i];
        std::string ch =
            c < 0x80 ? std::string(1, char(c)) : std::string{char(0xC0 | (c >> 6)), char(0x80 | (c & 0x3F))};
        if (utf8.size() + ch.size() >= sizeof lf.lfFaceName)
            break;
        utf8 += ch;
    }
    std::memset(lf.lfFaceName, 0, sizeof lf.lfFaceName);
    std::memcpy(lf.lfFaceName, utf8.data(), utf8.size());
}

ObjectRef RegionObject(const Rec& r) {
    auto obj = std::make_shared<MetaObject>(MetaObject::moRegion);
    size_t scans = r.U16(10);
    size_t at = 22;
    for (size_t s = 0; s < scans && r.Has(at, 8); ++s) {
        size_t count = r.U16(at);
        int32_t top = r.I16(at + 2), bottom = r.I16(at + 4);
        if (!r.Has(at + 6, count * 2 + 2))
            break;
        for (size_t k = 0; k + 1 < count; k += 2) {
            int32_t left = r.I16(at + 6 + 2 * k), right = r.I16(at + 8 + 2 * k);
            if (right > left && bottom > top)
                obj->FRects.push_back(RECT{left, top, right, bottom});
        }
        at += 6 + count * 2 + 2;
    }
    return obj;
}

class WmfPlayer {
public:
    explicit WmfPlayer(Player& p) : FP(p) {}
    void Record(uint16_t fn, const Rec& r, size_t words);

private:
    DrawState& S() { return FP.St(); }
    void Add(ObjectRef obj) { FP.AddLowest(std::move(obj)); }
    HBRUSH BrushAt(size_t index) {
        ObjectRef b = FP.Get(index);
        return b && b->FKind == MetaObject::moBrush ? b->FBrush : nullptr;
    }
    const MetaObject* RegionAt(size_t index) {
        ObjectRef o = FP.Get(index);
        return o && o->FKind == MetaObject::moRegion ? o.get() : nullptr;
    }
    void TextRecord(Pt ref, UINT options, const RECT* rect, const uint8_t* text, size_t n, const Rec& r,
                    size_t dxAt);
    void Blit(uint16_t fn, const Rec& r, size_t words);
    Player& FP;
};

void WmfPlayer::TextRecord(Pt ref, UINT options, const RECT* rect, const uint8_t* text, size_t n,
                           const Rec& r, size_t dxAt) {
    vector<double> dxIn, dx;
    if (dxAt && r.Has(dxAt, n * 2)) {
        for (size_t i = 0; i < n; ++i)
            dxIn.push_back(r.I16(dxAt + 2 * i));
    }
    std::u32string s =
        FP.DecodeAnsi(text, n, dxIn.empty() ? nullptr : dxIn.data(), dxIn.empty() ? nullptr : &dx);
    FP.Text(ref, options, rect, s, dx);
}

void WmfPlayer::Blit(uint16_t fn, const Rec& r, size_t words) {
    // Without a bitmap the record is a pattern operation; its size tells (function high byte + 3 words).
    bool noBitmap = words == size_t(fn >> 8) + 3;
    DWORD rop = r.U32(0);
    bool stretch = fn == META_STRETCHBLT || fn == META_DIBSTRETCHBLT;
    if (noBitmap) {
        size_t k = stretch ? 14 : 10;
        Pt size{double(r.I16(k)), double(r.I16(k - 2))};
        Pt at{double(r.I16(k + 4)), double(r.I16(k + 2))};
        if (!r.Bad())
            FP.PatBlt(at, size, rop);
        return;
    }
    Dib dib;
    int sx, sy, sw, sh;
    Pt at, size;
    size_t bitmapAt;
    if (stretch) {
        sh = r.I16(4), sw = r.I16(6), sy = r.I16(8), sx = r.I16(10);
        size = Pt{double(r.I16(14)), double(r.I16(12))};
        at = Pt{double(r.I16(18)), double(r.I16(16))};
        bitmapAt = 20;
    } else {
        sy = r.I16(4), sx = r.I16(6);
        sh = r.I16(8), sw = r.I16(10);
        size = Pt{double(sw), double(sh)};
        at = Pt{double(r.I16(14)), double(r.I16(12))};
        bitmapAt = 16;
    }
    if (r.Bad() || !r.Has(bitmapAt, 1))
        return;
    const uint8_t* bm = r.Ptr(bitmapAt, r.Size() - bitmapAt);
    bool ok = fn == META_DIBBITBLT || fn == META_DIBSTRETCHBLT
                  ? DecodePackedDib(bm, r.Size() - bitmapAt, DIB_RGB_COLORS, nullptr, dib)
                  : DecodeBitmap16(bm, r.Size() - bitmapAt, S().TextColor, S().BkColor, dib);
    if (ok)
        FP.StretchDib(at, size, dib, sx, sy, sw, sh, rop);
}

void WmfPlayer::Record(uint16_t fn, const Rec& r, size_t words) {
    switch (fn) {
    case META_SAVEDC:
        FP.Save();
        break;
    case META_RESTOREDC:
        FP.Restore(r.I16(0));
        break;
    case META_SETBKMODE:
        S().SetBkMode(r.U16(0));
        break;
    case META_SETMAPMODE:
        // Kept for what it is worth; the window alone places the picture.
        if (r.U16(0) >= MM_TEXT && r.U16(0) <= MM_ANISOTROPIC)
            S().MapMode = r.U16(0);
        break;
    case META_SETROP2:
        S().SetRop2(r.U16(0));
        break;
    case META_SETPOLYFILLMODE:
        S().SetFillMode(r.U16(0));
        break;
    case META_SETSTRETCHBLTMODE:
        S().SetStretchMode(r.U16(0));
        break;
    case META_SETTEXTCHAREXTRA:
        if (r.Has(0, 2))
            S().CharExtra = r.I16(0);
        break;
    case META_SETBKCOLOR:
        if (r.Has(0, 4))
            S().BkColor = r.U32(0);
        break;
    case META_SETTEXTCOLOR:
        if (r.Has(0, 4))
            S().TextColor = r.U32(0);
        break;
    case META_SETTEXTALIGN:
        if (r.Has(0, 2))
            S().TextAlign = r.U16(0);
        break;
    case META_SETWINDOWORG:
        if (r.Has(0, 4))
            FP.SetWindowOrg(WmfPt(r, 2, 0));
        break;
    case META_SETWINDOWEXT:
        if (r.Has(0, 4))
            FP.SetWindowExt(WmfPt(r, 2, 0));
        break;
    case META_OFFSETWINDOWORG:
        if (r.Has(0, 4))
            FP.SetWindowOrg(Pt{S().WinOrg.X + r.I16(2), S().WinOrg.Y + r.I16(0)});
        break;
    case META_SCALEWINDOWEXT:
        if (r.Has(0, 8))
            FP.ScaleWindowExt(r.I16(6), r.I16(4), r.I16(2), r.I16(0));
        break;
    case META_SETVIEWPORTORG:
    case META_SETVIEWPORTEXT:
    case META_OFFSETVIEWPORTORG:
    case META_SCALEVIEWPORTEXT:
        break; // the viewport does not move a WMF picture
    case META_MOVETO:
        if (r.Has(0, 4))
            FP.MoveTo(WmfPt(r, 2, 0));
        break;
    case META_LINETO:
        if (r.Has(0, 4))
            FP.LineTo(WmfPt(r, 2, 0));
        break;
    case META_POLYLINE:
    case META_POLYGON: {
        vector<Pt> pts;
        if (!r.Has(0, 2) || !WmfPoints(r, 2, r.U16(0), pts))
            break;
        if (fn == META_POLYLINE)
            FP.Polyline(pts);
        else
            FP.Polygons({pts});
        break;
    }
    case META_POLYPOLYGON: {
        size_t n = r.U16(0);
        if (r.Bad() || !r.Has(2, n * 2))
            break;
        vector<vector<Pt>> polys;
        size_t at = 2 + n * 2;
        for (size_t i = 0; i < n; ++i) {
            vector<Pt> pts;
            size_t count = r.U16(2 + 2 * i);
            if (!WmfPoints(r, at, count, pts))
                return;
            at += count * 4;
            polys.push_back(std::move(pts));
        }
        FP.Polygons(polys);
        break;
    }
    case META_RECTANGLE:
    case META_ELLIPSE:
        if (!r.Has(0, 8))
            break;
        if (fn == META_RECTANGLE)
            FP.Rectangle(WmfPt(r, 6, 4), WmfPt(r, 2, 0));
        else
            FP.Ellipse(WmfPt(r, 6, 4), WmfPt(r, 2, 0));
        break;
    case META_ROUNDRECT:
        if (r.Has(0, 12))
            FP.RoundRect(WmfPt(r, 10, 8), WmfPt(r, 6, 4), WmfPt(r, 2, 0));
        break;
    case META_ARC:
    case META_PIE:
    case META_CHORD:
        if (r.Has(0, 16))
            FP.Arc(fn == META_ARC   ? akArc
                   : fn == META_PIE ? akPie
                                    : akChord,
                   WmfPt(r, 14, 12), WmfPt(r, 10, 8), WmfPt(r, 6, 4), WmfPt(r, 2, 0));
        break;
    case META_SETPIXEL:
        if (r.Has(0, 8))
            FP.SetPixel(WmfPt(r, 6, 4), r.U32(0));
        break;
    case META_FLOODFILL:
        if (r.Has(0, 8))
            FP.FloodFill(WmfPt(r, 6, 4), r.U32(0), FLOODFILLBORDER);
        break;
    case META_EXTFLOODFILL:
        if (r.Has(0, 10))
            FP.FloodFill(WmfPt(r, 8, 6), r.U32(2), r.U16(0) ? FLOODFILLSURFACE : FLOODFILLBORDER);
        break;
    case META_PATBLT:
        if (r.Has(0, 12))
            FP.PatBlt(WmfPt(r, 10, 8), WmfPt(r, 6, 4), r.U32(0));
        break;
    case META_TEXTOUT: {
        size_t n = r.U16(0);
        size_t padded = (n + 1) & ~size_t(1);
        if (r.Bad() || !r.Has(2, padded + 4))
            break;
        FP.St();
        TextRecord(WmfPt(r, 4 + padded, 2 + padded), 0, nullptr, r.Ptr(2, n), n, r, 0);
        break;
    }
    case META_EXTTEXTOUT: {
        if (!r.Has(0, 8))
            break;
        Pt ref = WmfPt(r, 2, 0);
        size_t n = r.U16(4);
        UINT opts = r.U16(6);
        size_t at = 8;
        RECT rect{};
        bool hasRect = (opts & (ETO_OPAQUE | ETO_CLIPPED)) && r.Has(8, 8 + n);
        if (hasRect) {
            rect = RECT{r.I16(8), r.I16(10), r.I16(12), r.I16(14)};
            at = 16;
        }
        if (!r.Has(at, n))
            break;
        size_t dxAt = at + ((n + 1) & ~size_t(1));
        TextRecord(ref, opts, hasRect ? &rect : nullptr, r.Ptr(at, n), n, r, r.Has(dxAt, n * 2) ? dxAt : 0);
        break;
    }
    case META_DELETEOBJECT:
        if (r.Has(0, 2))
            FP.Delete(r.U16(0));
        break;
    case META_SELECTOBJECT:
        if (r.Has(0, 2))
            FP.Select(FP.Get(r.U16(0)));
        break;
    case META_SELECTPALETTE: {
        ObjectRef o = r.Has(0, 2) ? FP.Get(r.U16(0)) : nullptr;
        if (o && o->FKind == MetaObject::moPalette)
            S().Palette = o;
        break;
    }
    case META_REALIZEPALETTE:
        break;
    case META_CREATEPENINDIRECT: {
        auto obj = std::make_shared<MetaObject>(MetaObject::moPen);
        if (r.Has(0, 10)) {
            obj->FPen.Style = r.U16(0);
            int w = std::abs(int(r.I16(2)));
            obj->FPen.Width = w;
            obj->FPen.Cosmetic = w == 0;
            obj->FPen.Color = r.U32(6);
        }
        Add(obj);
        break;
    }
    case META_CREATEBRUSHINDIRECT: {
        LOGBRUSH lb{BS_NULL, 0, 0};
        if (r.Has(0, 8))
            lb = LOGBRUSH{r.U16(0), r.U32(2), r.U16(6)};
        Add(Player::LogBrushObject(lb));
        break;
    }
    case META_DIBCREATEPATTERNBRUSH:
    case META_CREATEPATTERNBRUSH: {
        Dib dib;
        HBRUSH b = nullptr;
        if (fn == META_CREATEPATTERNBRUSH) {
            // A device-dependent bitmap header, 18 bytes the writer reserved, then the bits.
            if (r.Has(0, 10) && r.Size() > 32) {
                std::vector<uint8_t> bm(r.Ptr(0, 10), r.Ptr(0, 10) + 10);
                const uint8_t* bits = r.Ptr(32, r.Size() - 32);
                bm.insert(bm.end(), bits, bits + (r.Size() - 32));
                if (DecodeBitmap16(bm.data(), bm.size(), 0, 0xFFFFFF, dib))
                    b = r.U8(9) == 1 ? MonoBrushOf(dib) : PatternBrushOf(dib);
            }
        } else if (r.Has(0, 4)) {
            UINT style = r.U16(0), usage = r.U16(2);
            const uint8_t* p = r.Ptr(4, r.Size() - 4);
            bool ok = style == BS_PATTERN ? DecodeBitmap16(p, r.Size() - 4, 0, 0xFFFFFF, dib)
                                          : DecodePackedDib(p, r.Size() - 4, usage, nullptr, dib);
            if (ok)
                b = style == BS_PATTERN && r.U8(4 + 9) == 1 ? MonoBrushOf(dib) : PatternBrushOf(dib);
        }
        Add(Player::BrushObject(b));
        break;
    }
    case META_CREATEFONTINDIRECT: {
        auto obj = std::make_shared<MetaObject>(MetaObject::moFont);
        LOGFONT& lf = obj->FFont;
        if (r.Has(0, 18)) {
            lf.lfHeight = r.I16(0);
            lf.lfWidth = r.I16(2);
            lf.lfEscapement = r.I16(4);
            lf.lfOrientation = r.I16(6);
            lf.lfWeight = r.I16(8);
            Player::ReadFontBytes(lf, r, 10);
            size_t n = std::min<size_t>(32, r.Size() - 18);
            SetFaceName(lf, r.Ptr(18, n), n);
        }
        Add(obj);
        break;
    }
    case META_CREATEPALETTE:
        Add(Player::PaletteObject(r, 4, r.U16(2)));
        break;
    case META_SETPALENTRIES:
        Player::SetPaletteEntriesOf(S().Palette.get(), r.U16(0), r, 4, r.U16(2));
        break;
    case META_RESIZEPALETTE: {
        const MetaObject* pal = S().Palette.get();
        if (pal && pal->FPalette && r.Has(0, 2) && r.U16(0) > 0 && r.U16(0) <= 1024)
            ResizePalette(pal->FPalette, r.U16(0));
        break;
    }
    case META_CREATEREGION:
        Add(RegionObject(r));
        break;
    case META_SELECTCLIPREGION:
        if (r.Has(0, 2))
            FP.SelectClip(RegionAt(r.U16(0)), RGN_COPY);
        break;
    case META_FILLREGION:
        if (r.Has(0, 4) && RegionAt(r.U16(0)))
            FP.FillRegion(*RegionAt(r.U16(0)), BrushAt(r.U16(2)));
        break;
    case META_FRAMEREGION:
        if (r.Has(0, 8) && RegionAt(r.U16(0)))
            FP.FrameRegion(*RegionAt(r.U16(0)), BrushAt(r.U16(2)), WmfPt(r, 6, 4));
        break;
    case META_INVERTREGION:
    case META_PAINTREGION:
        if (r.Has(0, 2) && RegionAt(r.U16(0))) {
            if (fn == META_INVERTREGION)
                FP.InvertRegion(*RegionAt(r.U16(0)));
            else
                FP.PaintRegion(*RegionAt(r.U16(0)));
        }
        break;
    case META_EXCLUDECLIPRECT:
    case META_INTERSECTCLIPRECT:
        if (r.Has(0, 8)) {
            if (fn == META_EXCLUDECLIPRECT)
                FP.ExcludeClip(WmfPt(r, 6, 4), WmfPt(r, 2, 0));
            else
                FP.IntersectClip(WmfPt(r, 6, 4), WmfPt(r, 2, 0));
        }
        break;
    case META_OFFSETCLIPRGN:
        if (r.Has(0, 4))
            FP.OffsetClip(WmfPt(r, 2, 0));
        break;
    case META_BITBLT:
    case META_STRETCHBLT:
    case META_DIBBITBLT:
    case META_DIBSTRETCHBLT:
        Blit(fn, r, words);
        break;
    case META_STRETCHDIB: {
        if (!r.Has(0, 22))
            break;
        DWORD rop = r.U32(0);
        UINT usage = r.U16(4);
        int sh = r.I16(6), sw = r.I16(8), sy = r.I16(10), sx = r.I16(12);
        Pt size{double(r.I16(16)), double(r.I16(14))}, at{double(r.I16(20)), double(r.I16(18))};
        Dib dib;
        const MetaObject* pal = S().Palette.get();
        if (DecodePackedDib(r.Ptr(22, r.Size() - 22), r.Size() - 22, usage, pal ? pal->FPalette : nullptr,
                            dib)) {
            FP.StretchDib(at, size, dib, sx, DibTopRow(dib, sy, sh), sw, sh, rop);
        }
        break;
    }
    case META_SETDIBTODEV: {
        if (!r.Has(0, 18))
            break;
        UINT usage = r.U16(0);
        int start = r.U16(4);
        int sy = r.I16(6), sx = r.I16(8), h = r.I16(10), w = r.I16(12);
        Pt at{double(r.I16(16)), double(r.I16(14))};
        Dib dib;
        const MetaObject* pal = S().Palette.get();
        if (DecodePackedDib(r.Ptr(18, r.Size() - 18), r.Size() - 18, usage, pal ? pal->FPalette : nullptr,
                            dib)) {
            FP.StretchDib(at, Pt{double(w), double(h)}, dib, sx, DibTopRow(dib, sy - start, h), w, h, SRCCOPY);
        }
        break;
    }
    default:
        break; // escapes, mapper flags, layout, palette animation and unknown records
    }
}

} // namespace

void PlayWmfRecords(Player& player, const uint8_t* data, size_t size) {
    WmfPlayer wmf(player);
    size_t at = 0;
    for (uint64_t n = 0; n < MaxRecords && at + 6 <= size; ++n) {
        uint64_t words = WmfU32(data + at);
        uint16_t fn = WmfU16(data + at + 4);
        if (fn == META_EOF)
            break;
        if (words < 3 || words * 2 > size - at)
            break; // a record of no size or running past the data ends the picture
        Rec r(data + at + 6, size_t(words * 2 - 6));
        wmf.Record(fn, r, size_t(words));
        at += size_t(words * 2);
    }
}

} // namespace meta

HENHMETAFILE SetWinMetaFileBits(UINT size, const BYTE* data, HDC, const void*) {
    if (!data || size < WmfHeaderSize)
        return nullptr;
    auto mf = std::make_unique<HENHMETAFILE__>();
    mf->FWmf = true;
    mf->FData.assign(data, data + size);
    const uint8_t* p = mf->FData.data();
    size_t header = 0;
    double unitsPerInch = 96;
    if (WmfU32(p) == PlaceableKey) {
        if (size < PlaceableSize + WmfHeaderSize)
            return nullptr;
        int16_t l = int16_t(WmfU16(p + 6)), t = int16_t(WmfU16(p + 8)), r = int16_t(WmfU16(p + 10)),
                b = int16_t(WmfU16(p + 12));
        uint16_t inch = WmfU16(p + 14);
        // A box without units is read in twips, the usual unit of such files.
        unitsPerInch = inch ? inch : 1440;
        mf->FWinLeft = l;
        mf->FWinTop = t;
        mf->FWinWidth = double(r) - l;
        mf->FWinHeight = double(b) - t;
        mf->FHasWindow = mf->FWinWidth != 0 && mf->FWinHeight != 0;
        header = PlaceableSize;
    }
    uint16_t type = WmfU16(p + header), headerWords = WmfU16(p + header + 2);
    if ((type != 1 && type != 2) || headerWords != 9)
        return nullptr;
    mf->FRecords = header + WmfHeaderSize;
    uint16_t objects = WmfU16(p + header + 10);
    if (!mf->FHasWindow) {
        // Sized by its first window records.
        bool haveOrg = false;
        size_t at = mf->FRecords;
        for (uint64_t n = 0; n < meta::MaxRecords && at + 6 <= size; ++n) {
            uint64_t words = WmfU32(p + at);
            uint16_t fn = WmfU16(p + at + 4);
            if (fn == META_EOF || words < 3 || words * 2 > size - at)
                break;
            if (words >= 5 && fn == META_SETWINDOWORG && !haveOrg) {
                mf->FWinTop = int16_t(WmfU16(p + at + 6));
                mf->FWinLeft = int16_t(WmfU16(p + at + 8));
                haveOrg = true;
            } else if (words >= 5 && fn == META_SETWINDOWEXT) {
                mf->FWinHeight = int16_t(WmfU16(p + at + 6));
                mf->FWinWidth = int16_t(WmfU16(p + at + 8));
                mf->FHasWindow = mf->FWinWidth != 0 && mf->FWinHeight != 0;
                if (mf->FHasWindow)
                    break;
            }
            at += size_t(words * 2);
        }
    }
    ENHMETAHEADER& h = mf->FHeader;
    h.iType = EMR_HEADER;
    h.nSize = sizeof(ENHMETAHEADER);
    h.dSignature = ENHMETA_SIGNATURE;
    h.nVersion = 0x10000;
    h.nBytes = size;
    h.nHandles = objects;
    h.szlDevice = SIZE{1920, 1440};
    h.szlMillimeters = SIZE{508, 381};
    if (mf->FHasWindow) {
        double w = std::fabs(mf->FWinWidth), hh = std::fabs(mf->FWinHeight);
        auto px = [&](double v) {
            return int32_t(std::min<int64_t>(std::llround(v * 96 / unitsPerInch), int64_t(1) << 30));
        };
        auto mm = [&](double v) {
            return int32_t(std::min<int64_t>(std::llround(v * 2540 / unitsPerInch), int64_t(1) << 30));
        };
        h.rclBounds = RECT{0, 0, std::max(px(w) - 1, 0), std::max(px(hh) - 1, 0)};
        h.rclFrame = RECT{0, 0, mm(w), mm(hh)};
    }
    return meta::RegisterMetafile(std::move(mf));
}

} // namespace win
