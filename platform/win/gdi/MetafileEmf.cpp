// Enhanced metafiles (EMF): the header and the records. A record is a type, a size in bytes and its
// fields; bitmaps, strings and advances inside a record are found by offsets from the record's start.
#include "platform/win/gdi/MetafilePlayer.h"
#include "platform/win/kernel/Utf16.h"

#include <algorithm>
#include <cmath>

namespace win {

namespace {

enum : uint32_t {
    EMR_POLYBEZIER = 2,
    EMR_POLYGON = 3,
    EMR_POLYLINE = 4,
    EMR_POLYBEZIERTO = 5,
    EMR_POLYLINETO = 6,
    EMR_POLYPOLYLINE = 7,
    EMR_POLYPOLYGON = 8,
    EMR_SETWINDOWEXTEX = 9,
    EMR_SETWINDOWORGEX = 10,
    EMR_SETVIEWPORTEXTEX = 11,
    EMR_SETVIEWPORTORGEX = 12,
    EMR_SETBRUSHORGEX = 13,
    EMR_EOF = 14,
    EMR_SETPIXELV = 15,
    EMR_SETMAPMODE = 17,
    EMR_SETBKMODE = 18,
    EMR_SETPOLYFILLMODE = 19,
    EMR_SETROP2 = 20,
    EMR_SETSTRETCHBLTMODE = 21,
    EMR_SETTEXTALIGN = 22,
    EMR_SETTEXTCOLOR = 24,
    EMR_SETBKCOLOR = 25,
    EMR_OFFSETCLIPRGN = 26,
    EMR_MOVETOEX = 27,
    EMR_EXCLUDECLIPRECT = 29,
    EMR_INTERSECTCLIPRECT = 30,
    EMR_SCALEVIEWPORTEXTEX = 31,
    EMR_SCALEWINDOWEXTEX = 32,
    EMR_SAVEDC = 33,
    EMR_RESTOREDC = 34,
    EMR_SETWORLDTRANSFORM = 35,
    EMR_MODIFYWORLDTRANSFORM = 36,
    EMR_SELECTOBJECT = 37,
    EMR_CREATEPEN = 38,
    EMR_CREATEBRUSHINDIRECT = 39,
    EMR_DELETEOBJECT = 40,
    EMR_ANGLEARC = 41,
    EMR_ELLIPSE = 42,
    EMR_RECTANGLE = 43,
    EMR_ROUNDRECT = 44,
    EMR_ARC = 45,
    EMR_CHORD = 46,
    EMR_PIE = 47,
    EMR_SELECTPALETTE = 48,
    EMR_CREATEPALETTE = 49,
    EMR_SETPALETTEENTRIES = 50,
    EMR_RESIZEPALETTE = 51,
    EMR_REALIZEPALETTE = 52,
    EMR_EXTFLOODFILL = 53,
    EMR_LINETO = 54,
    EMR_ARCTO = 55,
    EMR_POLYDRAW = 56,
    EMR_SETARCDIRECTION = 57,
    EMR_BEGINPATH = 59,
    EMR_ENDPATH = 60,
    EMR_CLOSEFIGURE = 61,
    EMR_FILLPATH = 62,
    EMR_STROKEANDFILLPATH = 63,
    EMR_STROKEPATH = 64,
    EMR_FLATTENPATH = 65,
    EMR_WIDENPATH = 66,
    EMR_SELECTCLIPPATH = 67,
    EMR_ABORTPATH = 68,
    EMR_GDICOMMENT = 70,
    EMR_FILLRGN = 71,
    EMR_FRAMERGN = 72,
    EMR_INVERTRGN = 73,
    EMR_PAINTRGN = 74,
    EMR_EXTSELECTCLIPRGN = 75,
    EMR_BITBLT = 76,
    EMR_STRETCHBLT = 77,
    EMR_MASKBLT = 78,
    EMR_SETDIBITSTODEVICE = 80,
    EMR_STRETCHDIBITS = 81,
    EMR_EXTCREATEFONTINDIRECTW = 82,
    EMR_EXTTEXTOUTA = 83,
    EMR_EXTTEXTOUTW = 84,
    EMR_POLYBEZIER16 = 85,
    EMR_POLYGON16 = 86,
    EMR_POLYLINE16 = 87,
    EMR_POLYBEZIERTO16 = 88,
    EMR_POLYLINETO16 = 89,
    EMR_POLYPOLYLINE16 = 90,
    EMR_POLYPOLYGON16 = 91,
    EMR_POLYDRAW16 = 92,
    EMR_CREATEMONOBRUSH = 93,
    EMR_CREATEDIBPATTERNBRUSHPT = 94,
    EMR_EXTCREATEPEN = 95,
    EMR_POLYTEXTOUTA = 96,
    EMR_POLYTEXTOUTW = 97,
    EMR_SMALLTEXTOUT = 108,
    EMR_ALPHABLEND = 114,
    EMR_TRANSPARENTBLT = 116,
    EMR_GRADIENTFILL = 118,
};

constexpr uint32_t EmfPlusIdentifier = 0x2B464D45; // "EMF+"
constexpr uint16_t EmfPlusHeader = 0x4001;
constexpr UINT ETO_GLYPH_INDEX = 0x0010, ETO_NO_RECT = 0x0100, ETO_SMALL_CHARS = 0x0200, ETO_PDY = 0x2000;

uint32_t EmfU32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

} // namespace

namespace meta {

namespace {

using std::vector;

Pt P32(const Rec& r, size_t at) {
    return Pt{double(r.I32(at)), double(r.I32(at + 4))};
}

bool EmfPoints(const Rec& r, size_t at, uint64_t count, bool small, vector<Pt>& out) {
    size_t each = small ? 4 : 8;
    if (count > r.Size() / each || !r.Has(at, size_t(count) * each))
        return false;
    out.reserve(out.size() + size_t(count));
    for (size_t i = 0; i < count; ++i) {
        if (small)
            out.push_back(Pt{double(r.I16(at + 4 * i)), double(r.I16(at + 4 * i + 2))});
        else
            out.push_back(P32(r, at + 8 * i));
    }
    return true;
}

ObjectRef RegionFromData(const Rec& r, size_t at, uint64_t size, bool deviceUnits) {
    if (!r.Has(at, size_t(std::min<uint64_t>(size, r.Size()))) || size < 32 || size > r.Size() - at)
        return nullptr;
    uint32_t headerSize = r.U32(at), count = r.U32(at + 8);
    if (headerSize < 32 || headerSize > size || count > (size - headerSize) / 16)
        return nullptr;
    auto obj = std::make_shared<MetaObject>(MetaObject::moRegion);
    obj->FDeviceUnits = deviceUnits;
    size_t p = at + headerSize;
    for (uint32_t i = 0; i < count; ++i, p += 16) {
        RECT rc{r.I32(p), r.I32(p + 4), r.I32(p + 8), r.I32(p + 12)};
        if (rc.Right > rc.Left && rc.Bottom > rc.Top)
            obj->FRects.push_back(rc);
    }
    return obj;
}

// A face name as UTF-8, cut at a character boundary to fit a LOGFONT.
std::string Utf16Face(const std::u16string& name) {
    std::string s = Utf16ToUtf8(name);
    size_t n = std::min(s.size(), sizeof(LOGFONT::lfFaceName) - 1);
    while (n > 0 && n < s.size() && (uint8_t(s[n]) & 0xC0) == 0x80)
        --n;
    return s.substr(0, n);
}

std::string FaceFromUtf16(const Rec& r, size_t at) {
    std::u16string name;
    for (size_t i = 0; i < 32 && r.Has(at + 2 * i, 2); ++i) {
        char16_t c = char16_t(r.U16(at + 2 * i));
        if (!c)
            break;
        name += c;
    }
    return Utf16Face(name);
}

// n UTF-16 units at offset at as code points; a surrogate pair is one point whose advance is the pair's
// sum. A lone surrogate stays as it is.
std::u32string WideText(const Rec& r, size_t at, size_t n, const double* dxIn, vector<double>* dxOut) {
    std::u32string text;
    for (size_t i = 0; i < n; ++i) {
        char32_t c = r.U16(at + 2 * i);
        double adv = dxIn ? dxIn[i] : 0;
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n) {
            char32_t lo = r.U16(at + 2 * i + 2);
            if (lo >= 0xDC00 && lo <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (lo - 0xDC00);
                ++i;
                if (dxIn)
                    adv += dxIn[i];
            }
        }
        text += c;
        if (dxOut)
            dxOut->push_back(adv);
    }
    return text;
}

class EmfPlayer {
public:
    explicit EmfPlayer(Player& p) : FP(p) {}
    void Record(uint32_t type, const Rec& r);

private:
    DrawState& S() { return FP.St(); }
    HPALETTE Palette() {
        const MetaObject* pal = S().Palette.get();
        return pal ? pal->FPalette : nullptr;
    }
    bool DibAt(const Rec& r, size_t fields, UINT usage, Dib& out) {
        uint32_t offBmi = r.U32(fields), cbBmi = r.U32(fields + 4), offBits = r.U32(fields + 8),
                 cbBits = r.U32(fields + 12);
        if (r.Bad() || cbBmi == 0 || !r.Has(offBmi, cbBmi) || !r.Has(offBits, cbBits))
            return false;
        return DecodeDib(r.Ptr(offBmi, cbBmi), cbBmi, cbBits ? r.Ptr(offBits, cbBits) : nullptr, cbBits,
                         usage, Palette(), out);
    }
    void Poly(uint32_t type, const Rec& r, bool small);
    void PolyPoly(uint32_t type, const Rec& r, bool small);
    void Text(const Rec& r, size_t at, bool wide);
    void Blit(uint32_t type, const Rec& r);
    Player& FP;
};

void EmfPlayer::Poly(uint32_t type, const Rec& r, bool small) {
    vector<Pt> pts;
    if (!EmfPoints(r, 28, r.U32(24), small, pts) || r.Bad())
        return;
    switch (type) {
    case EMR_POLYBEZIER:
    case EMR_POLYBEZIER16:
        FP.PolyBezier(pts, false);
        break;
    case EMR_POLYGON:
    case EMR_POLYGON16:
        FP.Polygons({pts});
        break;
    case EMR_POLYLINE:
    case EMR_POLYLINE16:
        FP.Polyline(pts);
        break;
    case EMR_POLYBEZIERTO:
    case EMR_POLYBEZIERTO16:
        FP.PolyBezier(pts, true);
        break;
    default:
        FP.PolylineTo(pts);
        break;
    }
}

void EmfPlayer::PolyPoly(uint32_t type, const Rec& r, bool small) {
    uint64_t polys = r.U32(24), total = r.U32(28);
    if (r.Bad() || polys > r.Size() / 4 || !r.Has(32, size_t(polys) * 4))
        return;
    vector<Pt> pts;
    if (!EmfPoints(r, 32 + size_t(polys) * 4, total, small, pts))
        return;
    vector<vector<Pt>> figures;
    size_t used = 0;
    for (size_t i = 0; i < polys; ++i) {
        uint64_t n = r.U32(32 + 4 * i);
        if (n > pts.size() - used)
            return; // counts running past the points
        figures.emplace_back(pts.begin() + long(used), pts.begin() + long(used + n));
        used += size_t(n);
    }
    if (type == EMR_POLYPOLYGON || type == EMR_POLYPOLYGON16)
        FP.Polygons(figures);
    else
        FP.Polylines(figures);
}

// One EMRTEXT at offset at; strings and advances are found from the record's start.
void EmfPlayer::Text(const Rec& r, size_t at, bool wide) {
    Pt ref = P32(r, at);
    uint64_t n = r.U32(at + 8);
    uint32_t offString = r.U32(at + 12), opts = r.U32(at + 16), offDx = r.U32(at + 36);
    RECT rect{r.I32(at + 20), r.I32(at + 24), r.I32(at + 28), r.I32(at + 32)};
    if (r.Bad() || (opts & ETO_GLYPH_INDEX) || n > r.Size())
        return;
    size_t bytes = size_t(n) * (wide ? 2 : 1);
    if (!r.Has(offString, bytes))
        return;
    size_t step = (opts & ETO_PDY) ? 8 : 4;
    bool haveDx = offDx && r.Has(offDx, size_t(n) * step);
    vector<double> dxIn;
    if (haveDx)
        for (size_t i = 0; i < n; ++i)
            dxIn.push_back(r.I32(offDx + i * step));
    std::u32string text;
    vector<double> dx;
    if (wide) {
        text = WideText(r, offString, size_t(n), haveDx ? dxIn.data() : nullptr, haveDx ? &dx : nullptr);
    } else {
        text = FP.DecodeAnsi(r.Ptr(offString, bytes), bytes, haveDx ? dxIn.data() : nullptr,
                             haveDx ? &dx : nullptr);
    }
    bool useRect = (opts & (ETO_OPAQUE | ETO_CLIPPED)) && !(opts & ETO_NO_RECT);
    FP.Text(ref, opts, useRect ? &rect : nullptr, text, dx);
}

void EmfPlayer::Blit(uint32_t type, const Rec& r) {
    Pt at = P32(r, 24), size = P32(r, 32);
    DWORD rop = r.U32(40);
    int sx = r.I32(44), sy = r.I32(48);
    UINT usage = r.U32(80);
    if (r.Bad())
        return;
    bool stretched = type != EMR_BITBLT && type != EMR_MASKBLT;
    int sw = stretched ? r.I32(100) : int(std::clamp(size.X, -MaxDeviceCoord, MaxDeviceCoord));
    int sh = stretched ? r.I32(104) : int(std::clamp(size.Y, -MaxDeviceCoord, MaxDeviceCoord));
    if (r.Bad())
        return;
    Dib src;
    bool haveSource = r.U32(88) != 0 && DibAt(r, 84, usage, src);
    switch (type) {
    case EMR_BITBLT:
    case EMR_STRETCHBLT:
        if (r.U32(88) == 0)
            FP.PatBlt(at, size, rop); // no source: a pattern operation
        else if (haveSource)
            FP.StretchDib(at, size, src, sx, sy, sw, sh, rop);
        break;
    case EMR_MASKBLT: {
        Dib mask;
        int mx = r.I32(100), my = r.I32(104);
        if (!haveSource)
            break;
        if (r.U32(116) != 0 && DibAt(r, 112, r.U32(108), mask))
            FP.MaskDib(at, size, src, sx, sy, mask, mx, my, rop);
        else
            FP.StretchDib(at, size, src, sx, sy, sw, sh, rop & 0x00FFFFFF);
        break;
    }
    case EMR_TRANSPARENTBLT:
        if (haveSource)
            FP.TransparentDib(at, size, src, sx, sy, sw, sh, rop);
        break;
    case EMR_ALPHABLEND:
        if (haveSource) {
            BLENDFUNCTION bf{BYTE(rop), BYTE(rop >> 8), BYTE(rop >> 16), BYTE(rop >> 24)};
            FP.AlphaDib(at, size, src, sx, sy, sw, sh, bf);
        }
        break;
    default:
        break;
    }
}

void EmfPlayer::Record(uint32_t type, const Rec& r) {
    switch (type) {
    case EMR_POLYBEZIER:
    case EMR_POLYGON:
    case EMR_POLYLINE:
    case EMR_POLYBEZIERTO:
    case EMR_POLYLINETO:
        Poly(type, r, false);
        break;
    case EMR_POLYBEZIER16:
    case EMR_POLYGON16:
    case EMR_POLYLINE16:
    case EMR_POLYBEZIERTO16:
    case EMR_POLYLINETO16:
        Poly(type, r, true);
        break;
    case EMR_POLYPOLYLINE:
    case EMR_POLYPOLYGON:
        PolyPoly(type, r, false);
        break;
    case EMR_POLYPOLYLINE16:
    case EMR_POLYPOLYGON16:
        PolyPoly(type, r, true);
        break;
    case EMR_POLYDRAW:
    case EMR_POLYDRAW16: {
        bool small = type == EMR_POLYDRAW16;
        uint64_t n = r.U32(24);
        vector<Pt> pts;
        if (r.Bad() || !EmfPoints(r, 28, n, small, pts))
            break;
        size_t typesAt = 28 + size_t(n) * (small ? 4 : 8);
        const uint8_t* t = r.Ptr(typesAt, size_t(n));
        if (t)
            FP.PolyDraw(pts, vector<uint8_t>(t, t + n));
        break;
    }
    case EMR_SETWINDOWEXTEX:
        if (r.Has(8, 8))
            FP.SetWindowExt(P32(r, 8));
        break;
    case EMR_SETWINDOWORGEX:
        if (r.Has(8, 8))
            FP.SetWindowOrg(P32(r, 8));
        break;
    case EMR_SETVIEWPORTEXTEX:
        if (r.Has(8, 8))
            FP.SetViewportExt(P32(r, 8));
        break;
    case EMR_SETVIEWPORTORGEX:
        if (r.Has(8, 8))
            FP.SetViewportOrg(P32(r, 8));
        break;
    case EMR_SCALEVIEWPORTEXTEX:
    case EMR_SCALEWINDOWEXTEX:
        if (!r.Has(8, 16))
            break;
        if (type == EMR_SCALEVIEWPORTEXTEX)
            FP.ScaleViewportExt(r.I32(8), r.I32(12), r.I32(16), r.I32(20));
        else
            FP.ScaleWindowExt(r.I32(8), r.I32(12), r.I32(16), r.I32(20));
        break;
    case EMR_SETBRUSHORGEX:
        if (r.Has(8, 8))
            S().BrushOrg = P32(r, 8);
        break;
    case EMR_SETPIXELV:
        if (r.Has(8, 12))
            FP.SetPixel(P32(r, 8), r.U32(16));
        break;
    case EMR_SETMAPMODE:
        if (r.Has(8, 4))
            FP.SetMapMode(int(r.U32(8)));
        break;
    case EMR_SETBKMODE:
        S().SetBkMode(r.U32(8));
        break;
    case EMR_SETPOLYFILLMODE:
        S().SetFillMode(r.U32(8));
        break;
    case EMR_SETROP2:
        S().SetRop2(r.U32(8));
        break;
    case EMR_SETSTRETCHBLTMODE:
        S().SetStretchMode(r.U32(8));
        break;
    case EMR_SETTEXTALIGN:
        if (r.Has(8, 4))
            S().TextAlign = r.U32(8);
        break;
    case EMR_SETTEXTCOLOR:
        if (r.Has(8, 4))
            S().TextColor = r.U32(8);
        break;
    case EMR_SETBKCOLOR:
        if (r.Has(8, 4))
            S().BkColor = r.U32(8);
        break;
    case EMR_SETARCDIRECTION:
        if (r.U32(8) == AD_COUNTERCLOCKWISE || r.U32(8) == AD_CLOCKWISE)
            S().ArcDir = int(r.U32(8));
        break;
    case EMR_OFFSETCLIPRGN:
        if (r.Has(8, 8))
            FP.OffsetClip(P32(r, 8));
        break;
    case EMR_MOVETOEX:
        if (r.Has(8, 8))
            FP.MoveTo(P32(r, 8));
        break;
    case EMR_LINETO:
        if (r.Has(8, 8))
            FP.LineTo(P32(r, 8));
        break;
    case EMR_EXCLUDECLIPRECT:
    case EMR_INTERSECTCLIPRECT:
        if (!r.Has(8, 16))
            break;
        if (type == EMR_EXCLUDECLIPRECT)
            FP.ExcludeClip(P32(r, 8), P32(r, 16));
        else
            FP.IntersectClip(P32(r, 8), P32(r, 16));
        break;
    case EMR_SAVEDC:
        FP.Save();
        break;
    case EMR_RESTOREDC:
        if (r.Has(8, 4))
            FP.Restore(r.I32(8));
        break;
    case EMR_SETWORLDTRANSFORM:
    case EMR_MODIFYWORLDTRANSFORM: {
        if (!r.Has(8, 24))
            break;
        Xform x{r.F32(8), r.F32(12), r.F32(16), r.F32(20), r.F32(24), r.F32(28)};
        uint32_t mode = type == EMR_SETWORLDTRANSFORM ? 4 : r.U32(32);
        if (r.Bad())
            break;
        if (mode == 1)
            FP.SetWorld(Xform{});
        else if (mode == 2)
            FP.SetWorld(x.Then(S().World));
        else if (mode == 3)
            FP.SetWorld(S().World.Then(x));
        else if (mode == 4)
            FP.SetWorld(x);
        break;
    }
    case EMR_SELECTOBJECT: {
        uint32_t ih = r.U32(8);
        if (r.Bad())
            break;
        if (ih & 0x80000000u)
            FP.SelectStock(ih);
        else
            FP.Select(FP.Get(ih));
        break;
    }
    case EMR_DELETEOBJECT:
        if (r.Has(8, 4))
            FP.Delete(r.U32(8));
        break;
    case EMR_CREATEPEN: {
        if (!r.Has(8, 20))
            break;
        auto obj = std::make_shared<MetaObject>(MetaObject::moPen);
        obj->FPen.Style = r.U32(12) & (PS_STYLE_MASK | PS_ENDCAP_MASK | PS_JOIN_MASK);
        obj->FPen.Width = std::fabs(double(r.I32(16)));
        obj->FPen.Cosmetic = r.I32(16) == 0;
        obj->FPen.Color = r.U32(24);
        FP.Put(r.U32(8), obj);
        break;
    }
    case EMR_EXTCREATEPEN: {
        if (!r.Has(8, 44))
            break;
        auto obj = std::make_shared<MetaObject>(MetaObject::moPen);
        MetaPen& p = obj->FPen;
        uint32_t style = r.U32(28);
        p.Style = style & (PS_STYLE_MASK | PS_ENDCAP_MASK | PS_JOIN_MASK | PS_GEOMETRIC);
        p.Cosmetic = !(style & PS_GEOMETRIC);
        p.Width = double(r.U32(32));
        p.Color = r.U32(40);
        if (r.U32(36) == BS_NULL)
            p.Style = (p.Style & ~PS_STYLE_MASK) | PS_NULL;
        uint64_t n = r.U32(48);
        if ((style & PS_STYLE_MASK) == PS_USERSTYLE && n > 0 && n <= 16 && r.Has(52, size_t(n) * 4))
            for (size_t i = 0; i < n; ++i)
                p.Dashes.push_back(std::max<DWORD>(1, r.U32(52 + 4 * i)));
        FP.Put(r.U32(8), obj);
        break;
    }
    case EMR_CREATEBRUSHINDIRECT: {
        if (!r.Has(8, 16))
            break;
        FP.Put(r.U32(8), Player::LogBrushObject(LOGBRUSH{r.U32(12), r.U32(16), r.U32(20)}));
        break;
    }
    case EMR_CREATEMONOBRUSH:
    case EMR_CREATEDIBPATTERNBRUSHPT: {
        if (!r.Has(8, 24))
            break;
        Dib dib;
        HBRUSH b = nullptr;
        if (DibAt(r, 16, r.U32(12), dib))
            b = type == EMR_CREATEMONOBRUSH ? MonoBrushOf(dib) : PatternBrushOf(dib);
        FP.Put(r.U32(8), Player::BrushObject(b));
        break;
    }
    case EMR_EXTCREATEFONTINDIRECTW: {
        if (!r.Has(8, 32))
            break;
        auto obj = std::make_shared<MetaObject>(MetaObject::moFont);
        LOGFONT& lf = obj->FFont;
        lf.lfHeight = r.I32(12);
        lf.lfWidth = r.I32(16);
        lf.lfEscapement = r.I32(20);
        lf.lfOrientation = r.I32(24);
        lf.lfWeight = r.I32(28);
        Player::ReadFontBytes(lf, r, 32);
        std::string face = FaceFromUtf16(r, 40);
        std::memcpy(lf.lfFaceName, face.data(), std::min(face.size(), sizeof lf.lfFaceName - 1));
        FP.Put(r.U32(8), obj);
        break;
    }
    case EMR_CREATEPALETTE:
        FP.Put(r.U32(8), Player::PaletteObject(r, 16, r.U16(14)));
        break;
    case EMR_SELECTPALETTE: {
        uint32_t ih = r.U32(8);
        if (r.Bad())
            break;
        if (ih & 0x80000000u) {
            FP.SelectStock(ih);
        } else {
            ObjectRef o = FP.Get(ih);
            if (o && o->FKind == MetaObject::moPalette)
                S().Palette = o;
        }
        break;
    }
    case EMR_SETPALETTEENTRIES:
        Player::SetPaletteEntriesOf(FP.Get(r.U32(8)).get(), r.U32(12), r, 20, r.U32(16));
        break;
    case EMR_RESIZEPALETTE: {
        ObjectRef o = FP.Get(r.U32(8));
        uint32_t n = r.U32(12);
        if (o && o->FPalette && !r.Bad() && n > 0 && n <= 1024)
            ResizePalette(o->FPalette, n);
        break;
    }
    case EMR_REALIZEPALETTE:
        break;
    case EMR_ANGLEARC:
        if (r.Has(8, 20))
            FP.AngleArc(P32(r, 8), double(r.U32(16)), r.F32(20), r.F32(24));
        break;
    case EMR_ELLIPSE:
    case EMR_RECTANGLE:
        if (!r.Has(8, 16))
            break;
        if (type == EMR_ELLIPSE)
            FP.Ellipse(P32(r, 8), P32(r, 16));
        else
            FP.Rectangle(P32(r, 8), P32(r, 16));
        break;
    case EMR_ROUNDRECT:
        if (r.Has(8, 24))
            FP.RoundRect(P32(r, 8), P32(r, 16), P32(r, 24));
        break;
    case EMR_ARC:
    case EMR_CHORD:
    case EMR_PIE:
    case EMR_ARCTO:
        if (!r.Has(8, 32))
            break;
        if (type == EMR_ARCTO)
            FP.ArcTo(P32(r, 8), P32(r, 16), P32(r, 24), P32(r, 32));
        else
            FP.Arc(type == EMR_ARC   ? akArc
                   : type == EMR_PIE ? akPie
                                     : akChord,
                   P32(r, 8), P32(r, 16), P32(r, 24), P32(r, 32));
        break;
    case EMR_EXTFLOODFILL:
        if (r.Has(8, 16))
            FP.FloodFill(P32(r, 8), r.U32(16), r.U32(20) ? FLOODFILLSURFACE : FLOODFILLBORDER);
        break;
    case EMR_BEGINPATH:
        FP.BeginPath();
        break;
    case EMR_ENDPATH:
        FP.EndPath();
        break;
    case EMR_CLOSEFIGURE:
        FP.CloseFigure();
        break;
    case EMR_FILLPATH:
        FP.FillPath();
        break;
    case EMR_STROKEANDFILLPATH:
        FP.StrokeAndFillPath();
        break;
    case EMR_STROKEPATH:
        FP.StrokePath();
        break;
    case EMR_FLATTENPATH:
        break; // paths hold flattened curves already
    case EMR_WIDENPATH:
        FP.WidenPath();
        break;
    case EMR_SELECTCLIPPATH:
        if (r.Has(8, 4))
            FP.SelectClipPath(int(r.U32(8)));
        break;
    case EMR_ABORTPATH:
        FP.AbortPath();
        break;
    case EMR_FILLRGN:
    case EMR_FRAMERGN: {
        bool frame = type == EMR_FRAMERGN;
        ObjectRef brush = FP.Get(r.U32(28));
        if (r.Bad())
            break;
        HBRUSH b = brush && brush->FKind == MetaObject::moBrush ? brush->FBrush : nullptr;
        ObjectRef rgn = RegionFromData(r, frame ? 40 : 32, r.U32(24), false);
        if (!rgn)
            break;
        if (frame)
            FP.FrameRegion(*rgn, b, P32(r, 32));
        else
            FP.FillRegion(*rgn, b);
        break;
    }
    case EMR_INVERTRGN:
    case EMR_PAINTRGN: {
        ObjectRef rgn = RegionFromData(r, 28, r.U32(24), false);
        if (!rgn)
            break;
        if (type == EMR_INVERTRGN)
            FP.InvertRegion(*rgn);
        else
            FP.PaintRegion(*rgn);
        break;
    }
    case EMR_EXTSELECTCLIPRGN: {
        uint32_t size = r.U32(8), mode = r.U32(12);
        if (r.Bad())
            break;
        if (size == 0 || (mode == RGN_COPY && size < 32)) {
            FP.SelectClip(nullptr, int(mode));
            break;
        }
        ObjectRef rgn = RegionFromData(r, 16, size, true);
        if (rgn)
            FP.SelectClip(rgn.get(), int(mode));
        break;
    }
    case EMR_BITBLT:
    case EMR_STRETCHBLT:
    case EMR_MASKBLT:
    case EMR_TRANSPARENTBLT:
    case EMR_ALPHABLEND:
        Blit(type, r);
        break;
    case EMR_STRETCHDIBITS: {
        if (!r.Has(8, 72))
            break;
        Dib dib;
        if (!DibAt(r, 48, r.U32(64), dib))
            break;
        int sx = r.I32(32), sy = r.I32(36), sw = r.I32(40), sh = r.I32(44);
        FP.StretchDib(P32(r, 24), P32(r, 72), dib, sx, DibTopRow(dib, sy, sh), sw, sh, r.U32(68));
        break;
    }
    case EMR_SETDIBITSTODEVICE: {
        if (!r.Has(8, 68))
            break;
        Dib dib;
        if (!DibAt(r, 48, r.U32(64), dib))
            break;
        int sx = r.I32(32), sy = r.I32(36), w = r.I32(40), h = r.I32(44);
        int64_t start = r.U32(68);
        FP.StretchDib(P32(r, 24), Pt{double(w), double(h)}, dib, sx, DibTopRow(dib, sy - start, h), w, h,
                      SRCCOPY);
        break;
    }
    case EMR_EXTTEXTOUTA:
    case EMR_EXTTEXTOUTW:
        if (r.Has(8, 68))
            Text(r, 36, type == EMR_EXTTEXTOUTW);
        break;
    case EMR_POLYTEXTOUTA:
    case EMR_POLYTEXTOUTW: {
        uint64_t n = r.U32(36);
        if (r.Bad() || n > r.Size() / 40)
            break;
        for (size_t i = 0; i < n; ++i)
            if (r.Has(40 + 40 * i, 40))
                Text(r, 40 + 40 * i, type == EMR_POLYTEXTOUTW);
        break;
    }
    case EMR_SMALLTEXTOUT: {
        if (!r.Has(8, 28))
            break;
        uint64_t n = r.U32(16);
        UINT opts = r.U32(20);
        size_t at = 36;
        RECT rect{};
        bool hasRect = !(opts & ETO_NO_RECT);
        if (hasRect) {
            rect = RECT{r.I32(36), r.I32(40), r.I32(44), r.I32(48)};
            at = 52;
        }
        bool small = opts & ETO_SMALL_CHARS;
        if (n > r.Size() || (opts & ETO_GLYPH_INDEX) || !r.Has(at, size_t(n) * (small ? 1 : 2)))
            break;
        std::u32string text;
        if (small) {
            text = FP.DecodeAnsi(r.Ptr(at, size_t(n)), size_t(n), nullptr, nullptr);
        } else {
            text = WideText(r, at, size_t(n), nullptr, nullptr);
        }
        bool useRect = hasRect && (opts & (ETO_OPAQUE | ETO_CLIPPED));
        FP.Text(P32(r, 8), opts, useRect ? &rect : nullptr, text, {});
        break;
    }
    case EMR_GRADIENTFILL: {
        uint64_t nv = r.U32(24), nt = r.U32(28);
        uint32_t mode = r.U32(32);
        if (r.Bad() || mode > GRADIENT_FILL_TRIANGLE || nv > r.Size() / 16)
            break;
        size_t per = mode == GRADIENT_FILL_TRIANGLE ? 3 : 2;
        if (nt > r.Size() / (4 * per) || !r.Has(36, size_t(nv) * 16 + size_t(nt) * 4 * per))
            break;
        vector<TRIVERTEX> v(nv);
        for (size_t i = 0; i < nv; ++i) {
            size_t a = 36 + 16 * i;
            v[i] =
                TRIVERTEX{r.I32(a), r.I32(a + 4), r.U16(a + 8), r.U16(a + 10), r.U16(a + 12), r.U16(a + 14)};
        }
        vector<ULONG> mesh;
        size_t m = 36 + size_t(nv) * 16;
        for (size_t i = 0; i < nt * per; ++i) {
            ULONG idx = r.U32(m + 4 * i);
            if (idx >= nv)
                return; // a mesh naming a vertex that is not there
            mesh.push_back(idx);
        }
        FP.GradientFill(v, mesh, mode);
        break;
    }
    default:
        break; // comments, escapes, colour management, OpenGL, PLGBLT, layout and unknown records
    }
}

} // namespace

void PlayEmfRecords(Player& player, const uint8_t* data, size_t size) {
    EmfPlayer emf(player);
    size_t at = 0;
    for (uint64_t n = 0; n < MaxRecords && at + 8 <= size; ++n) {
        uint32_t type = EmfU32(data + at), bytes = EmfU32(data + at + 4);
        if (bytes < 8 || bytes > size - at)
            break; // a record of no size or running past the data ends the picture
        Rec r(data + at, bytes);
        if (type == EMR_EOF)
            break;
        if (type == EMR_HEADER) {
            if (at == 0)
                player.SetTableSize(r.U16(48));
        } else {
            emf.Record(type, r);
        }
        at += bytes;
    }
}

} // namespace meta

HENHMETAFILE SetEnhMetaFileBits(UINT size, const BYTE* data) {
    if (!data || size < sizeof(ENHMETAHEADER))
        return nullptr;
    uint32_t type = EmfU32(data), headerSize = EmfU32(data + 4);
    if (type != EMR_HEADER || headerSize < sizeof(ENHMETAHEADER) || headerSize > size ||
        EmfU32(data + 40) != ENHMETA_SIGNATURE)
        return nullptr;
    auto mf = std::make_unique<HENHMETAFILE__>();
    mf->FData.assign(data, data + size);
    std::memcpy(&mf->FHeader, data, sizeof(ENHMETAHEADER));
    return meta::RegisterMetafile(std::move(mf));
}

bool IsEmfPlusOnly(HENHMETAFILE mf) {
    if (!meta::LiveMetafile(mf) || mf->FWmf)
        return false;
    const uint8_t* p = mf->FData.data();
    size_t size = mf->FData.size(), at = 0;
    // The EMF+ header is the comment right after the EMF header.
    for (int n = 0; n < 2 && at + 8 <= size; ++n) {
        uint32_t type = EmfU32(p + at), bytes = EmfU32(p + at + 4);
        if (bytes < 8 || bytes > size - at)
            return false;
        if (type == EMR_GDICOMMENT && bytes >= 28 && EmfU32(p + at + 12) == EmfPlusIdentifier) {
            uint16_t plusType = uint16_t(p[at + 16] | p[at + 17] << 8);
            uint16_t flags = uint16_t(p[at + 18] | p[at + 19] << 8);
            return plusType == EmfPlusHeader && !(flags & 1);
        }
        at += bytes;
    }
    return false;
}

} // namespace win
