// The metafile record player: mapping, objects, saved states, clipping, text and bitmaps. The record
// readers (MetafileWmf.cpp, MetafileEmf.cpp) turn records into the calls of this class.
#include "platform/win/gdi/MetafilePlayer.h"
#include "platform/win/kernel/Utf16.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <iconv.h>
#include <mutex>
#include <numbers>
#include <unordered_set>

namespace win {

namespace meta {

namespace {

constexpr double Pi = std::numbers::pi;

bool Tiny(double v, double scale) {
    return std::fabs(v) <= 1e-9 * scale;
}

double ClampCoord(double v) {
    if (std::isnan(v))
        return 0;
    return std::clamp(v, -MaxDeviceCoord, MaxDeviceCoord);
}

// A region covering every device pixel a clip can reach.
HRGN EverythingRgn() {
    return CreateRectRgn(-(1 << 28), -(1 << 28), 1 << 28, 1 << 28);
}

HRGN RegionFromRects(const std::vector<RECT>& rects) {
    std::vector<uint8_t> buf(sizeof(RGNDATAHEADER) + rects.size() * sizeof(RECT));
    RGNDATAHEADER h{};
    h.dwSize = sizeof(RGNDATAHEADER);
    h.iType = RDH_RECTANGLES;
    h.nCount = DWORD(rects.size());
    h.nRgnSize = DWORD(rects.size() * sizeof(RECT));
    std::memcpy(buf.data(), &h, sizeof h);
    if (!rects.empty())
        std::memcpy(buf.data() + sizeof h, rects.data(), rects.size() * sizeof(RECT));
    HRGN r = ExtCreateRegion(nullptr, DWORD(buf.size()), reinterpret_cast<const RGNDATA*>(buf.data()));
    return r ? r : CreateRectRgn(0, 0, 0, 0);
}

// A 32-bit top-down DIB section in a memory DC, freed with the object.
class DibDc {
public:
    DibDc(int32_t w, int32_t h) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = -h;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        FDc = CreateCompatibleDC(nullptr);
        void* bits = nullptr;
        FBmp = CreateDIBSection(FDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        FBits = static_cast<uint32_t*>(bits);
        if (FBmp)
            FOld = SelectObject(FDc, FBmp);
    }
    explicit DibDc(const Dib& dib) : DibDc(dib.Width, dib.Height) {
        if (FBits)
            std::memcpy(FBits, dib.Pixels.data(), dib.Pixels.size() * 4);
    }
    ~DibDc() {
        if (FOld)
            SelectObject(FDc, FOld);
        DeleteDC(FDc);
        if (FBmp)
            DeleteObject(FBmp);
    }
    DibDc(const DibDc&) = delete;
    DibDc& operator=(const DibDc&) = delete;
    bool Ok() const { return FBits != nullptr; }
    HDC Dc() const { return FDc; }
    uint32_t* Bits() const { return FBits; }

private:
    HDC FDc = nullptr;
    HBITMAP FBmp = nullptr;
    HGDIOBJ FOld = nullptr;
    uint32_t* FBits = nullptr;
};

// A monochrome bitmap built from set bits, rows padded to 16 bits, most significant bit first.
class MonoMask {
public:
    MonoMask(int32_t w, int32_t h) : FW(w), FH(h), FStride(((w + 15) / 16) * 2) {
        FBits.assign(size_t(FStride) * size_t(h), 0);
    }
    void Set(int32_t x, int32_t y) {
        FBits[size_t(y) * size_t(FStride) + size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
    }
    HBITMAP Create() const { return CreateBitmap(FW, FH, 1, 1, FBits.data()); }

private:
    int32_t FW, FH, FStride;
    std::vector<uint8_t> FBits;
};

} // namespace

// ---- Geometry -------------------------------------------------------------------------------------------

Xform Xform::Then(const Xform& n) const {
    Xform r;
    r.M11 = M11 * n.M11 + M12 * n.M21;
    r.M12 = M11 * n.M12 + M12 * n.M22;
    r.M21 = M21 * n.M11 + M22 * n.M21;
    r.M22 = M21 * n.M12 + M22 * n.M22;
    r.Dx = Dx * n.M11 + Dy * n.M21 + n.Dx;
    r.Dy = Dx * n.M12 + Dy * n.M22 + n.Dy;
    return r;
}

bool Xform::Invert(Xform& out) const {
    double det = Det();
    if (det == 0 || !std::isfinite(det))
        return false;
    out.M11 = M22 / det;
    out.M12 = -M12 / det;
    out.M21 = -M21 / det;
    out.M22 = M11 / det;
    out.Dx = -(Dx * out.M11 + Dy * out.M21);
    out.Dy = -(Dx * out.M12 + Dy * out.M22);
    return true;
}

bool Xform::ScalesOnly() const {
    double s = std::fabs(M11) + std::fabs(M22) + std::fabs(M12) + std::fabs(M21);
    return Tiny(M12, s) && Tiny(M21, s);
}

bool Xform::KeepsAxes() const {
    double s = std::fabs(M11) + std::fabs(M22) + std::fabs(M12) + std::fabs(M21);
    return (Tiny(M12, s) && Tiny(M21, s)) || (Tiny(M11, s) && Tiny(M22, s));
}

bool Xform::Finite() const {
    return std::isfinite(M11) && std::isfinite(M12) && std::isfinite(M21) && std::isfinite(M22) &&
           std::isfinite(Dx) && std::isfinite(Dy);
}

// ---- Objects ---------------------------------------------------------------------------------------------

MetaObject::~MetaObject() {
    if (FBrush)
        DeleteObject(FBrush);
    if (FPalette)
        DeleteObject(FPalette);
}

Rgn::Rgn(const Rgn& o) {
    if (o.FH) {
        FH = CreateRectRgn(0, 0, 0, 0);
        CombineRgn(FH, o.FH, nullptr, RGN_COPY);
    }
}

Rgn& Rgn::operator=(const Rgn& o) {
    if (this != &o) {
        Rgn copy(o);
        *this = std::move(copy);
    }
    return *this;
}

Rgn& Rgn::operator=(Rgn&& o) noexcept {
    if (this != &o) {
        if (FH)
            DeleteObject(FH);
        FH = o.FH;
        o.FH = nullptr;
    }
    return *this;
}

Rgn::~Rgn() {
    if (FH)
        DeleteObject(FH);
}

ObjectRef Player::BrushObject(HBRUSH brush) {
    if (!brush) {
        LOGBRUSH none{BS_NULL, 0, 0};
        brush = CreateBrushIndirect(&none);
    }
    auto obj = std::make_shared<MetaObject>(MetaObject::moBrush);
    obj->FBrush = brush;
    return obj;
}

ObjectRef Player::LogBrushObject(const LOGBRUSH& lb) {
    bool made = lb.lbStyle == BS_SOLID || lb.lbStyle == BS_HATCHED || lb.lbStyle == BS_NULL;
    return BrushObject(made ? CreateBrushIndirect(&lb) : nullptr);
}

ObjectRef Player::PaletteObject(const Rec& r, size_t at, uint64_t n) {
    auto obj = std::make_shared<MetaObject>(MetaObject::moPalette);
    if (!r.Bad() && n > 0 && n <= 1024 && r.Has(at, size_t(n) * 4)) {
        std::vector<uint8_t> buf(sizeof(LOGPALETTE) + size_t(n) * sizeof(PALETTEENTRY));
        auto* lp = reinterpret_cast<LOGPALETTE*>(buf.data());
        lp->palVersion = 0x300;
        lp->palNumEntries = WORD(n);
        std::memcpy(lp->palPalEntry, r.Ptr(at, size_t(n) * 4), size_t(n) * 4);
        obj->FPalette = CreatePalette(lp);
    }
    return obj;
}

void Player::SetPaletteEntriesOf(const MetaObject* pal, uint64_t start, const Rec& r, size_t at, uint64_t n) {
    if (!pal || !pal->FPalette || r.Bad() || n > 1024 || !r.Has(at, size_t(n) * 4))
        return;
    std::vector<PALETTEENTRY> e(n);
    std::memcpy(e.data(), r.Ptr(at, size_t(n) * 4), size_t(n) * 4);
    SetPaletteEntries(pal->FPalette, UINT(std::min<uint64_t>(start, 1024)), UINT(n), e.data());
}

void Player::ReadFontBytes(LOGFONT& lf, const Rec& r, size_t at) {
    lf.lfItalic = r.U8(at);
    lf.lfUnderline = r.U8(at + 1);
    lf.lfStrikeOut = r.U8(at + 2);
    lf.lfCharSet = r.U8(at + 3);
    lf.lfOutPrecision = r.U8(at + 4);
    lf.lfClipPrecision = r.U8(at + 5);
    lf.lfQuality = r.U8(at + 6);
    lf.lfPitchAndFamily = r.U8(at + 7);
}

// ---- Set-up and mapping ----------------------------------------------------------------------------------

Player::Player(HDC dc, const RECT& dest) : FDc(dc), FDest(dest) {
    HRGN caller = CreateRectRgn(0, 0, 0, 0);
    if (GetClipRgn(dc, caller) == 1)
        FCallerClip = Rgn(caller);
    else
        DeleteObject(caller);
    FSavedDc = SaveDC(dc);
    // Regions are never built beyond what the surface shows: a huge figure costs what its visible part does.
    SelectClipRgn(dc, nullptr);
    GetClipBox(dc, &FReach);
    FReach = RECT{FReach.Left - 4, FReach.Top - 4, FReach.Right + 4, FReach.Bottom + 4};
    win::SetMapMode(dc, MM_TEXT);
    SetWindowOrgEx(dc, 0, 0, nullptr);
    SetViewportOrgEx(dc, 0, 0, nullptr);
    SelectStock(0x80000000u | WHITE_BRUSH);
    SelectStock(0x80000000u | BLACK_PEN);
    SelectStock(0x80000000u | DEVICE_DEFAULT_FONT);
}

Player::~Player() {
    if (FSavedDc > 0)
        RestoreDC(FDc, FSavedDc);
    if (FPen)
        DeleteObject(FPen);
    if (FFont)
        DeleteObject(FFont);
    if (FIconv)
        iconv_close(static_cast<iconv_t>(FIconv));
}

void Player::SetWmfWindow(Pt org, Pt ext) {
    FWmf = true;
    FState.WinOrg = org;
    FState.WinExt = ext;
    MappingChanged();
}

void Player::SetEmfFrame(double left, double top, double right, double bottom, SIZE devicePixels,
                         SIZE millimetres) {
    FWmf = false;
    FRefPixels = devicePixels;
    FRefMM = millimetres;
    double fw = right - left, fh = bottom - top;
    Xform x;
    x.M11 = fw != 0 ? double(FDest.Right - FDest.Left) / fw : 1;
    x.M22 = fh != 0 ? double(FDest.Bottom - FDest.Top) / fh : 1;
    x.Dx = FDest.Left - left * x.M11;
    x.Dy = FDest.Top - top * x.M22;
    FRefToDest = x;
    MappingChanged();
}

namespace {

// Logical units per millimetre of the metric map modes.
double MetricUnitsPerMM(int mode) {
    switch (mode) {
    case MM_LOMETRIC:
        return 10;
    case MM_HIMETRIC:
        return 100;
    case MM_LOENGLISH:
        return 100 / 25.4;
    case MM_HIENGLISH:
        return 1000 / 25.4;
    case MM_TWIPS:
        return 1440 / 25.4;
    default:
        return 0;
    }
}

} // namespace

void Player::SetMapMode(int mode) {
    if (mode < MM_TEXT || mode > MM_ANISOTROPIC)
        return;
    DrawState& s = FState;
    double perMM = MetricUnitsPerMM(mode);
    if (mode == MM_TEXT) {
        s.WinExt = s.VpExt = Pt{1, 1};
    } else if (perMM > 0) {
        s.WinExt = Pt{FRefMM.cx * perMM, FRefMM.cy * perMM};
        s.VpExt = Pt{double(FRefPixels.cx), -double(FRefPixels.cy)};
    }
    s.MapMode = mode;
    MappingChanged();
}

void Player::SetWindowOrg(Pt p) {
    FState.WinOrg = p;
    MappingChanged();
}

void Player::SetViewportOrg(Pt p) {
    FState.VpOrg = p;
    MappingChanged();
}

void Player::SetWindowExt(Pt e) {
    if (e.X == 0 || e.Y == 0)
        return;
    if (FWmf || FState.MapMode == MM_ISOTROPIC || FState.MapMode == MM_ANISOTROPIC) {
        FState.WinExt = e;
        MappingChanged();
    }
}

void Player::SetViewportExt(Pt e) {
    if (e.X == 0 || e.Y == 0)
        return;
    if (FState.MapMode == MM_ISOTROPIC || FState.MapMode == MM_ANISOTROPIC) {
        FState.VpExt = e;
        MappingChanged();
    }
}

void Player::ScaleWindowExt(double xn, double xd, double yn, double yd) {
    if (xd == 0 || yd == 0)
        return;
    SetWindowExt(Pt{FState.WinExt.X * xn / xd, FState.WinExt.Y * yn / yd});
}

void Player::ScaleViewportExt(double xn, double xd, double yn, double yd) {
    if (xd == 0 || yd == 0)
        return;
    SetViewportExt(Pt{FState.VpExt.X * xn / xd, FState.VpExt.Y * yn / yd});
}

void Player::SetWorld(const Xform& x) {
    if (!x.Finite() || x.Det() == 0)
        return;
    FState.World = x;
    MappingChanged();
}

const Xform& Player::Mapping() {
    if (FMapValid)
        return FMapping;
    const DrawState& s = FState;
    Xform page;
    if (FWmf) {
        // The window fills the destination whatever the viewport says.
        double wx = s.WinExt.X != 0 ? s.WinExt.X : 1, wy = s.WinExt.Y != 0 ? s.WinExt.Y : 1;
        page.M11 = double(FDest.Right - FDest.Left) / wx;
        page.M22 = double(FDest.Bottom - FDest.Top) / wy;
        page.Dx = FDest.Left - s.WinOrg.X * page.M11;
        page.Dy = FDest.Top - s.WinOrg.Y * page.M22;
        FMapping = s.World.Then(page);
    } else {
        double sx = 1, sy = 1;
        if (s.MapMode != MM_TEXT) {
            sx = s.WinExt.X != 0 ? s.VpExt.X / s.WinExt.X : 1;
            sy = s.WinExt.Y != 0 ? s.VpExt.Y / s.WinExt.Y : 1;
            if (s.MapMode == MM_ISOTROPIC) {
                double m = std::min(std::fabs(sx), std::fabs(sy));
                sx = std::copysign(m, sx);
                sy = std::copysign(m, sy);
            }
        }
        page.M11 = sx;
        page.M22 = sy;
        page.Dx = s.VpOrg.X - s.WinOrg.X * sx;
        page.Dy = s.VpOrg.Y - s.WinOrg.Y * sy;
        FMapping = s.World.Then(page).Then(FRefToDest);
    }
    if (!FMapping.Finite())
        FMapping = Xform{0, 0, 0, 0, 0, 0};
    FMapValid = true;
    return FMapping;
}

POINT Player::Round(Pt p) {
    return POINT{int32_t(std::floor(ClampCoord(p.X) + 0.5)), int32_t(std::floor(ClampCoord(p.Y) + 0.5))};
}

double Player::XScale() {
    Pt v = Mapping().Vector(Pt{1, 0});
    return std::hypot(v.X, v.Y);
}

double Player::YScale() {
    Pt v = Mapping().Vector(Pt{0, 1});
    return std::hypot(v.X, v.Y);
}

std::vector<POINT> Player::Device(const std::vector<Pt>& pts) const {
    std::vector<POINT> out;
    out.reserve(pts.size());
    for (const Pt& p : pts)
        out.push_back(Round(p));
    return out;
}

// ---- States ----------------------------------------------------------------------------------------------

void Player::Save() {
    if (FSaved.size() >= size_t(MaxSavedStates))
        return;
    FSaved.push_back(FState);
}

void Player::Restore(int which) {
    int64_t depth = int64_t(FSaved.size());
    int64_t index = which < 0 ? depth + which : int64_t(which) - 1;
    if (which == 0 || index < 0 || index >= depth)
        return;
    FState = std::move(FSaved[size_t(index)]);
    FSaved.resize(size_t(index));
    MappingChanged();
    FClipApplied = false;
}

// ---- Objects ---------------------------------------------------------------------------------------------

int Player::AddLowest(ObjectRef obj) {
    for (size_t i = 0; i < FObjects.size(); ++i)
        if (!FObjects[i]) {
            FObjects[i] = std::move(obj);
            return int(i);
        }
    // Writers that understate the table size still get their objects, up to the largest index a record
    // can name.
    if (FObjects.size() >= 65535)
        return -1;
    FObjects.push_back(std::move(obj));
    return int(FObjects.size() - 1);
}

void Player::Put(size_t index, ObjectRef obj) {
    if (index == 0 || index > 65535)
        return;
    if (index >= FObjects.size())
        FObjects.resize(index + 1);
    FObjects[index] = std::move(obj);
}

void Player::Delete(size_t index) {
    if (index < FObjects.size())
        FObjects[index].reset();
}

void Player::Select(const ObjectRef& obj) {
    if (!obj)
        return;
    switch (obj->FKind) {
    case MetaObject::moPen:
        FState.Pen = obj;
        FPenValid = false;
        break;
    case MetaObject::moBrush:
        FState.Brush = obj;
        break;
    case MetaObject::moFont:
        FState.Font = obj;
        FFontValid = false;
        break;
    case MetaObject::moPalette:
        FState.Palette = obj;
        break;
    case MetaObject::moRegion:
        SelectClip(obj.get(), RGN_COPY);
        break;
    }
}

void Player::SelectStock(uint32_t index) {
    int i = int(index & 0x7FFFFFFF);
    ObjectRef obj;
    switch (i) {
    case WHITE_BRUSH:
    case LTGRAY_BRUSH:
    case GRAY_BRUSH:
    case DKGRAY_BRUSH:
    case BLACK_BRUSH:
    case NULL_BRUSH:
        obj = BrushObject(AsBrush(GetStockObject(i)));
        break;
    case 18: // the DC brush, white until set
        obj = BrushObject(AsBrush(GetStockObject(WHITE_BRUSH)));
        break;
    case WHITE_PEN:
    case BLACK_PEN:
    case NULL_PEN:
    case 19: // the DC pen, black until set
        obj = std::make_shared<MetaObject>(MetaObject::moPen);
        obj->FStock = GetStockObject(i == 19 ? BLACK_PEN : i);
        break;
    case OEM_FIXED_FONT:
    case ANSI_FIXED_FONT:
    case ANSI_VAR_FONT:
    case SYSTEM_FONT:
    case DEVICE_DEFAULT_FONT:
    case SYSTEM_FIXED_FONT:
    case DEFAULT_GUI_FONT:
        obj = std::make_shared<MetaObject>(MetaObject::moFont);
        obj->FStock = GetStockObject(i);
        if (!AsFont(obj->FStock))
            obj->FStock = GetStockObject(SYSTEM_FONT);
        break;
    case DEFAULT_PALETTE:
        obj = std::make_shared<MetaObject>(MetaObject::moPalette);
        obj->FStock = GetStockObject(DEFAULT_PALETTE);
        break;
    default:
        return;
    }
    Select(obj);
}

HPEN Player::RealisedPen() {
    if (FPenValid && FPen)
        return FPen;
    if (FPen) {
        SelectObject(FDc, GetStockObject(BLACK_PEN));
        DeleteObject(FPen);
        FPen = nullptr;
    }
    FPenValid = true;
    const MetaObject* obj = FState.Pen.get();
    if (!obj || obj->FStock) {
        FPen = nullptr;
        FPenValid = false;
        return obj ? AsPen(obj->FStock) : AsPen(GetStockObject(BLACK_PEN));
    }
    const MetaPen& p = obj->FPen;
    UINT style = p.Style & PS_STYLE_MASK;
    if (style == PS_NULL) {
        FPenValid = false;
        return AsPen(GetStockObject(NULL_PEN));
    }
    int w = 1;
    if (!p.Cosmetic && p.Width > 0)
        w = int(std::clamp(std::llround(p.Width * XScale()), 1LL, 1LL << 14));
    LOGBRUSH lb{BS_SOLID, p.Color, 0};
    if (w > 1 && (p.Style & (PS_ENDCAP_MASK | PS_JOIN_MASK | PS_GEOMETRIC)) && style != PS_ALTERNATE)
        FPen = ExtCreatePen(PS_GEOMETRIC | (p.Style & (PS_STYLE_MASK | PS_ENDCAP_MASK | PS_JOIN_MASK)),
                            DWORD(w), &lb, style == PS_USERSTYLE ? DWORD(p.Dashes.size()) : 0,
                            p.Dashes.empty() ? nullptr : p.Dashes.data());
    else if (w == 1 && style == PS_USERSTYLE && !p.Dashes.empty())
        FPen = ExtCreatePen(PS_COSMETIC | PS_USERSTYLE, 1, &lb, DWORD(p.Dashes.size()), p.Dashes.data());
    if (!FPen)
        FPen = CreatePen(style == PS_USERSTYLE ? int(PS_SOLID) : int(style), w, p.Color);
    if (!FPen)
        FPen = CreatePen(PS_SOLID, w, p.Color);
    return FPen;
}

HFONT Player::RealisedFont() {
    if (FFontValid && FFont)
        return FFont;
    if (FFont) {
        SelectObject(FDc, GetStockObject(SYSTEM_FONT));
        DeleteObject(FFont);
        FFont = nullptr;
    }
    FFontValid = true;
    const MetaObject* obj = FState.Font.get();
    if (!obj || obj->FStock) {
        FFontValid = false;
        HFONT f = obj ? AsFont(obj->FStock) : nullptr;
        return f ? f : AsFont(GetStockObject(SYSTEM_FONT));
    }
    LOGFONT lf = obj->FFont;
    auto scale = [](LONG v, double s) {
        if (v == 0)
            return LONG(0);
        int64_t r = std::llround(std::clamp(double(v) * s, -1e6, 1e6));
        if (r == 0)
            r = v < 0 ? -1 : 1;
        return LONG(r);
    };
    lf.lfHeight = scale(lf.lfHeight, YScale());
    lf.lfWidth = scale(std::abs(lf.lfWidth), XScale());
    // A mapping that turns the baseline adds its angle to the escapement. A mirrored mapping keeps text
    // readable, as the system does: only its turn counts.
    Pt v = Mapping().Vector(Pt{1, 0});
    if (Mapping().Det() < 0 && v.X < 0)
        v = Pt{-v.X, -v.Y};
    LONG turn = LONG(std::llround(std::atan2(-v.Y, v.X) * 1800 / Pi));
    auto angle = [&](LONG a) { return LONG(((int64_t(a) % 3600 + turn) % 3600 + 3600) % 3600); };
    lf.lfEscapement = angle(lf.lfEscapement);
    lf.lfOrientation = angle(lf.lfOrientation);
    FFont = CreateFontIndirect(&lf);
    if (!FFont) {
        FFontValid = false;
        return AsFont(GetStockObject(SYSTEM_FONT));
    }
    return FFont;
}

BYTE Player::FontCharset() const {
    const MetaObject* obj = FState.Font.get();
    return obj && !obj->FStock ? obj->FFont.lfCharSet : ANSI_CHARSET;
}

void Player::Prepare() {
    const DrawState& s = FState;
    SelectObject(FDc, RealisedPen());
    HBRUSH brush = s.Brush && s.Brush->FBrush ? s.Brush->FBrush : AsBrush(GetStockObject(WHITE_BRUSH));
    SelectObject(FDc, brush);
    SelectObject(FDc, RealisedFont());
    if (s.Palette) {
        HPALETTE pal = s.Palette->FPalette ? s.Palette->FPalette : AsPalette(s.Palette->FStock);
        if (pal)
            SelectPalette(FDc, pal, FALSE);
    }
    SetTextColor(FDc, s.TextColor);
    SetBkColor(FDc, s.BkColor);
    SetBkMode(FDc, s.BkMode);
    SetROP2(FDc, s.Rop2);
    SetPolyFillMode(FDc, s.FillMode);
    SetStretchBltMode(FDc, s.StretchMode);
    SetArcDirection(FDc, s.ArcDir);
    POINT org = FWmf ? POINT{FDest.Left, FDest.Top} : Round(FRefToDest.Apply(s.BrushOrg));
    SetBrushOrgEx(FDc, org.X, org.Y, nullptr);
    ApplyClip();
}

// ---- Clipping --------------------------------------------------------------------------------------------

void Player::ApplyClip() {
    if (FClipApplied)
        return;
    FClipApplied = true;
    if (!FState.Clip) {
        SelectClipRgn(FDc, FCallerClip.Get());
        return;
    }
    if (!FCallerClip) {
        SelectClipRgn(FDc, FState.Clip.Get());
        return;
    }
    Rgn both(CreateRectRgn(0, 0, 0, 0));
    CombineRgn(both.Get(), FState.Clip.Get(), FCallerClip.Get(), RGN_AND);
    SelectClipRgn(FDc, both.Get());
}

void Player::SetClip(Rgn clip) {
    FState.Clip = std::move(clip);
    FClipApplied = false;
}

void Player::CombineClip(HRGN rgn, int mode) {
    if (!rgn)
        return;
    Rgn result(CreateRectRgn(0, 0, 0, 0));
    if (mode == RGN_COPY) {
        CombineRgn(result.Get(), rgn, nullptr, RGN_COPY);
    } else if (mode >= RGN_AND && mode <= RGN_DIFF) {
        Rgn current = FState.Clip ? Rgn(FState.Clip) : Rgn(EverythingRgn());
        CombineRgn(result.Get(), current.Get(), rgn, mode);
    } else {
        return;
    }
    SetClip(std::move(result));
}

Rgn Player::RegionOf(const MetaObject& region) {
    const Xform& x = region.FDeviceUnits ? FRefToDest : Mapping();
    if (x.KeepsAxes()) {
        std::vector<RECT> rects;
        rects.reserve(region.FRects.size());
        for (const RECT& r : region.FRects) {
            POINT a = Round(x.Apply(Pt{double(r.Left), double(r.Top)}));
            POINT b = Round(x.Apply(Pt{double(r.Right), double(r.Bottom)}));
            RECT d{std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.X, b.X), std::max(a.Y, b.Y)};
            if (d.Right > d.Left && d.Bottom > d.Top)
                rects.push_back(d);
        }
        return Rgn(RegionFromRects(rects));
    }
    std::vector<std::vector<Pt>> quads;
    for (const RECT& r : region.FRects)
        quads.push_back(
            {x.Apply(Pt{double(r.Left), double(r.Top)}), x.Apply(Pt{double(r.Right), double(r.Top)}),
             x.Apply(Pt{double(r.Right), double(r.Bottom)}), x.Apply(Pt{double(r.Left), double(r.Bottom)})});
    return Rgn(FiguresRegion(quads, WINDING));
}

void Player::SelectClip(const MetaObject* region, int mode) {
    if (!region) {
        if (mode == RGN_COPY)
            SetClip(Rgn());
        return;
    }
    Rgn r = RegionOf(*region);
    CombineClip(r.Get(), mode);
}

namespace {

// The device region of a logical rectangle under a mapping that keeps the axes.
Rgn RectRegion(const Xform& x, Pt a, Pt b) {
    POINT p = Player::Round(x.Apply(a)), q = Player::Round(x.Apply(b));
    return Rgn(CreateRectRgn(std::min(p.X, q.X), std::min(p.Y, q.Y), std::max(p.X, q.X), std::max(p.Y, q.Y)));
}

} // namespace

Rgn Player::RectClipRegion(Pt a, Pt b) {
    const Xform& x = Mapping();
    if (x.KeepsAxes())
        return RectRegion(x, a, b);
    return Rgn(
        FiguresRegion({{x.Apply(a), x.Apply(Pt{b.X, a.Y}), x.Apply(b), x.Apply(Pt{a.X, b.Y})}}, WINDING));
}

void Player::IntersectClip(Pt a, Pt b) {
    Rgn r = RectClipRegion(a, b);
    CombineClip(r.Get(), RGN_AND);
}

void Player::ExcludeClip(Pt a, Pt b) {
    Rgn r = RectClipRegion(a, b);
    CombineClip(r.Get(), RGN_DIFF);
}

void Player::OffsetClip(Pt offset) {
    if (!FState.Clip)
        return;
    POINT d = Round(Mapping().Vector(offset));
    Rgn moved(FState.Clip);
    OffsetRgn(moved.Get(), d.X, d.Y);
    SetClip(std::move(moved));
}

void Player::FillRegion(const MetaObject& region, HBRUSH brush) {
    if (!brush)
        return;
    Prepare();
    Rgn r = RegionOf(region);
    FillRgn(FDc, r.Get(), brush);
}

void Player::FrameRegion(const MetaObject& region, HBRUSH brush, Pt stroke) {
    if (!brush)
        return;
    Prepare();
    Rgn r = RegionOf(region);
    int w = int(std::clamp(std::llround(std::fabs(stroke.X) * XScale()), 1LL, 1LL << 12));
    int h = int(std::clamp(std::llround(std::fabs(stroke.Y) * YScale()), 1LL, 1LL << 12));
    FrameRgn(FDc, r.Get(), brush, w, h);
}

void Player::InvertRegion(const MetaObject& region) {
    Prepare();
    Rgn r = RegionOf(region);
    InvertRgn(FDc, r.Get());
}

void Player::PaintRegion(const MetaObject& region) {
    Prepare();
    Rgn r = RegionOf(region);
    PaintRgn(FDc, r.Get());
}

// ---- Figures ---------------------------------------------------------------------------------------------

void Player::AddFigure(std::vector<Pt> pts, bool closed) {
    if (pts.empty() || FPathPoints + pts.size() > MaxPathPoints)
        return;
    FPathPoints += pts.size();
    FPath.push_back(PathFigure{std::move(pts), closed});
}

void Player::DrawFigureLines(const std::vector<Pt>& pts, bool closed) {
    if (pts.empty())
        return;
    Prepare();
    // A wide pen along a flattened curve: its outline filled at once costs far less than a wide line per
    // chord, and covers the same pixels within the flattening's tolerance.
    const MetaObject* pen = FState.Pen.get();
    if (pts.size() > 16 && pen && !pen->FStock && !pen->FPen.Cosmetic && FState.Rop2 == R2_COPYPEN &&
        (pen->FPen.Style & PS_STYLE_MASK) != PS_NULL) {
        double w = std::round(pen->FPen.Width * XScale());
        if (w > 1 && w <= double(1 << 14)) {
            Rgn area(FiguresRegion(WidenFigures({PathFigure{pts, closed}}, w, false), WINDING));
            HBRUSH ink = CreateSolidBrush(pen->FPen.Color);
            FillRgn(FDc, area.Get(), ink);
            DeleteObject(ink);
            return;
        }
    }
    std::vector<POINT> d = Device(pts);
    if (closed)
        d.push_back(d.front());
    win::Polyline(FDc, d.data(), int(d.size()));
}

void Player::DrawFilledFigures(const std::vector<std::vector<Pt>>& polys) {
    std::vector<POINT> pts;
    std::vector<int32_t> counts;
    for (const auto& poly : polys) {
        if (poly.empty())
            continue;
        for (const Pt& p : poly)
            pts.push_back(Round(p));
        counts.push_back(int32_t(poly.size()));
    }
    if (counts.empty())
        return;
    Prepare();
    if (counts.size() == 1)
        win::Polygon(FDc, pts.data(), counts[0]);
    else
        win::PolyPolygon(FDc, pts.data(), counts.data(), int(counts.size()));
}

void Player::LineToDevice(Pt d) {
    // In a path a line continues the open figure or starts one at the current position.
    if (FPath.empty() || FPath.back().Closed || !FFigureOpen) {
        AddFigure({Map(FState.Cur)}, false);
        FFigureOpen = !FPath.empty();
    }
    if (FFigureOpen && FPathPoints < MaxPathPoints) {
        FPath.back().Points.push_back(d);
        ++FPathPoints;
    }
}

void Player::MoveTo(Pt p) {
    FState.Cur = p;
    if (FInPath)
        FFigureOpen = false;
}

void Player::LineTo(Pt p) {
    if (FInPath) {
        LineToDevice(Map(p));
    } else {
        Prepare();
        POINT a = Round(Map(FState.Cur)), b = Round(Map(p));
        MoveToEx(FDc, a.X, a.Y, nullptr);
        win::LineTo(FDc, b.X, b.Y);
    }
    FState.Cur = p;
}

namespace {
std::vector<Pt> MapAll(const Xform& x, const std::vector<Pt>& pts) {
    std::vector<Pt> out;
    out.reserve(pts.size());
    for (const Pt& p : pts)
        out.push_back(x.Apply(p));
    return out;
}
} // namespace

void Player::Polyline(const std::vector<Pt>& pts) {
    if (pts.empty())
        return;
    if (FInPath) {
        AddFigure(MapAll(Mapping(), pts), false);
        FFigureOpen = false;
        return;
    }
    Prepare();
    std::vector<POINT> d = Device(MapAll(Mapping(), pts));
    win::Polyline(FDc, d.data(), int(d.size()));
}

void Player::PolylineTo(const std::vector<Pt>& pts) {
    if (pts.empty())
        return;
    if (FInPath) {
        for (const Pt& p : pts)
            LineToDevice(Map(p));
    } else {
        std::vector<Pt> all{FState.Cur};
        all.insert(all.end(), pts.begin(), pts.end());
        Prepare();
        std::vector<POINT> d = Device(MapAll(Mapping(), all));
        win::Polyline(FDc, d.data(), int(d.size()));
    }
    FState.Cur = pts.back();
}

void Player::Polygons(const std::vector<std::vector<Pt>>& polys) {
    std::vector<std::vector<Pt>> mapped;
    for (const auto& poly : polys)
        mapped.push_back(MapAll(Mapping(), poly));
    if (FInPath) {
        for (auto& poly : mapped)
            AddFigure(std::move(poly), true);
        FFigureOpen = false;
        return;
    }
    DrawFilledFigures(mapped);
}

void Player::Polylines(const std::vector<std::vector<Pt>>& lines) {
    for (const auto& line : lines)
        Polyline(line);
}

void Player::PolyBezier(const std::vector<Pt>& pts, bool fromCurrent) {
    std::vector<Pt> ctrl;
    if (fromCurrent)
        ctrl.push_back(FState.Cur);
    ctrl.insert(ctrl.end(), pts.begin(), pts.end());
    if (ctrl.size() < 4)
        return;
    size_t usable = 1 + (ctrl.size() - 1) / 3 * 3;
    std::vector<Pt> dev = MapAll(Mapping(), std::vector<Pt>(ctrl.begin(), ctrl.begin() + long(usable)));
    std::vector<Pt> flat{dev[0]};
    for (size_t i = 0; i + 3 < dev.size(); i += 3)
        FlattenBezier(dev[i], dev[i + 1], dev[i + 2], dev[i + 3], flat);
    if (FInPath) {
        if (fromCurrent) {
            for (size_t i = 1; i < flat.size(); ++i)
                LineToDevice(flat[i]);
        } else {
            AddFigure(std::move(flat), false);
            FFigureOpen = false;
        }
    } else {
        DrawFigureLines(flat, false);
    }
    if (fromCurrent)
        FState.Cur = ctrl[usable - 1];
}

void Player::PolyDraw(const std::vector<Pt>& pts, const std::vector<uint8_t>& types) {
    constexpr uint8_t PT_CLOSEFIGURE = 1, PT_LINETO = 2, PT_BEZIERTO = 4, PT_MOVETO = 6;
    Pt start = FState.Cur;
    for (size_t i = 0; i < pts.size() && i < types.size(); ++i) {
        uint8_t t = types[i] & ~PT_CLOSEFIGURE;
        bool close = types[i] & PT_CLOSEFIGURE;
        if (t == PT_MOVETO) {
            MoveTo(pts[i]);
            start = pts[i];
        } else if (t == PT_LINETO) {
            LineTo(pts[i]);
        } else if (t == PT_BEZIERTO && i + 2 < pts.size() && i + 2 < types.size() &&
                   (types[i + 1] & ~PT_CLOSEFIGURE) == PT_BEZIERTO &&
                   (types[i + 2] & ~PT_CLOSEFIGURE) == PT_BEZIERTO) {
            PolyBezier({pts[i], pts[i + 1], pts[i + 2]}, true);
            close = types[i + 2] & PT_CLOSEFIGURE;
            i += 2;
        } else {
            return; // a malformed sequence ends the record
        }
        if (close) {
            if (FInPath)
                CloseFigure();
            else
                LineTo(start);
        }
    }
}

void Player::Rectangle(Pt a, Pt b) {
    const Xform& x = Mapping();
    if (FInPath || !x.KeepsAxes()) {
        std::vector<Pt> c{x.Apply(a), x.Apply(Pt{b.X, a.Y}), x.Apply(b), x.Apply(Pt{a.X, b.Y})};
        if (FInPath) {
            AddFigure(std::move(c), true);
            FFigureOpen = false;
        } else {
            DrawFilledFigures({c});
        }
        return;
    }
    POINT p = Round(x.Apply(a)), q = Round(x.Apply(b));
    Prepare();
    win::Rectangle(FDc, std::min(p.X, q.X), std::min(p.Y, q.Y), std::max(p.X, q.X), std::max(p.Y, q.Y));
}

std::vector<Pt> Player::EllipsePoints(Pt a, Pt b) {
    std::vector<Pt> out;
    FlattenEllipseArc(a, b, 0, 2 * Pi, Mapping(), out);
    if (out.size() > 1)
        out.pop_back();
    return out;
}

void Player::Ellipse(Pt a, Pt b) {
    const Xform& x = Mapping();
    if (FInPath || !x.KeepsAxes()) {
        std::vector<Pt> pts = EllipsePoints(a, b);
        if (FInPath) {
            AddFigure(std::move(pts), true);
            FFigureOpen = false;
        } else {
            DrawFilledFigures({pts});
        }
        return;
    }
    POINT p = Round(x.Apply(a)), q = Round(x.Apply(b));
    Prepare();
    win::Ellipse(FDc, std::min(p.X, q.X), std::min(p.Y, q.Y), std::max(p.X, q.X), std::max(p.Y, q.Y));
}

std::vector<Pt> Player::RoundRectPoints(Pt a, Pt b, Pt corner) {
    double l = std::min(a.X, b.X), r = std::max(a.X, b.X), t = std::min(a.Y, b.Y), bo = std::max(a.Y, b.Y);
    double rx = std::min(std::fabs(corner.X) / 2, (r - l) / 2),
           ry = std::min(std::fabs(corner.Y) / 2, (bo - t) / 2);
    std::vector<Pt> out;
    const Xform& x = Mapping();
    struct Corner {
        double cx, cy, t0;
    } corners[4] = {
        {r - rx, t + ry, -Pi / 2}, {r - rx, bo - ry, 0}, {l + rx, bo - ry, Pi / 2}, {l + rx, t + ry, Pi}};
    for (const Corner& c : corners)
        FlattenEllipseArc(Pt{c.cx - rx, c.cy - ry}, Pt{c.cx + rx, c.cy + ry}, c.t0, Pi / 2, x, out);
    return out;
}

void Player::RoundRect(Pt a, Pt b, Pt corner) {
    const Xform& x = Mapping();
    if (FInPath || !x.KeepsAxes()) {
        std::vector<Pt> pts = RoundRectPoints(a, b, corner);
        if (FInPath) {
            AddFigure(std::move(pts), true);
            FFigureOpen = false;
        } else {
            DrawFilledFigures({pts});
        }
        return;
    }
    POINT p = Round(x.Apply(a)), q = Round(x.Apply(b));
    Pt c = x.Vector(corner);
    Prepare();
    win::RoundRect(FDc, std::min(p.X, q.X), std::min(p.Y, q.Y), std::max(p.X, q.X), std::max(p.Y, q.Y),
                   int(std::clamp(std::fabs(c.X), 0.0, MaxDeviceCoord) + 0.5),
                   int(std::clamp(std::fabs(c.Y), 0.0, MaxDeviceCoord) + 0.5));
}

std::vector<Pt> Player::ArcPoints(Pt a, Pt b, Pt start, Pt end, bool& full) {
    double l = std::min(a.X, b.X), r = std::max(a.X, b.X), t = std::min(a.Y, b.Y), bo = std::max(a.Y, b.Y);
    double cx = (l + r) / 2, cy = (t + bo) / 2, rx = (r - l) / 2, ry = (bo - t) / 2;
    std::vector<Pt> out;
    full = false;
    if (rx <= 0 || ry <= 0)
        return out;
    double ts = std::atan2((start.Y - cy) / ry, (start.X - cx) / rx);
    double te = std::atan2((end.Y - cy) / ry, (end.X - cx) / rx);
    // Counter-clockwise on the device runs against the parameter, unless the mapping mirrors.
    bool decreasing = FState.ArcDir == AD_COUNTERCLOCKWISE;
    if (Mapping().Det() < 0)
        decreasing = !decreasing;
    double sweep = decreasing ? ts - te : te - ts;
    while (sweep <= 1e-12)
        sweep += 2 * Pi;
    while (sweep > 2 * Pi + 1e-12)
        sweep -= 2 * Pi;
    full = std::fabs(sweep - 2 * Pi) < 1e-9;
    FlattenEllipseArc(Pt{l, t}, Pt{r, bo}, ts, decreasing ? -sweep : sweep, Mapping(), out);
    return out;
}

void Player::Arc(ArcKind kind, Pt a, Pt b, Pt start, Pt end) {
    const Xform& x = Mapping();
    if (!FInPath && x.KeepsAxes()) {
        POINT p = Round(x.Apply(a)), q = Round(x.Apply(b));
        POINT s = Round(x.Apply(start)), e = Round(x.Apply(end));
        int l = std::min(p.X, q.X), t = std::min(p.Y, q.Y), r = std::max(p.X, q.X), bo = std::max(p.Y, q.Y);
        Prepare();
        if (kind == akArc)
            win::Arc(FDc, l, t, r, bo, s.X, s.Y, e.X, e.Y);
        else if (kind == akPie)
            win::Pie(FDc, l, t, r, bo, s.X, s.Y, e.X, e.Y);
        else
            win::Chord(FDc, l, t, r, bo, s.X, s.Y, e.X, e.Y);
        return;
    }
    bool full = false;
    std::vector<Pt> pts = ArcPoints(a, b, start, end, full);
    if (pts.empty())
        return;
    if (kind == akPie)
        pts.push_back(x.Apply(Pt{(a.X + b.X) / 2, (a.Y + b.Y) / 2}));
    if (FInPath) {
        AddFigure(std::move(pts), kind != akArc);
        FFigureOpen = false;
    } else if (kind == akArc) {
        DrawFigureLines(pts, false);
    } else {
        DrawFilledFigures({pts});
    }
}

void Player::ArcTo(Pt a, Pt b, Pt start, Pt end) {
    bool full = false;
    std::vector<Pt> pts = ArcPoints(a, b, start, end, full);
    if (pts.empty())
        return;
    Xform inv;
    Pt last = Mapping().Invert(inv) ? inv.Apply(pts.back()) : FState.Cur;
    if (FInPath) {
        for (const Pt& p : pts)
            LineToDevice(p);
    } else {
        pts.insert(pts.begin(), Map(FState.Cur));
        DrawFigureLines(pts, false);
    }
    FState.Cur = last;
}

void Player::AngleArc(Pt c, double radius, double startDeg, double sweepDeg) {
    if (!std::isfinite(radius) || !std::isfinite(startDeg) || !std::isfinite(sweepDeg))
        return;
    double s = startDeg * Pi / 180, w = std::clamp(sweepDeg, -3600.0, 3600.0) * Pi / 180;
    std::vector<Pt> pts;
    // Positive angles run counter-clockwise as seen: the y axis points down.
    FlattenEllipseArc(Pt{c.X - radius, c.Y - radius}, Pt{c.X + radius, c.Y + radius}, -s, -w, Mapping(), pts);
    if (pts.empty())
        return;
    Xform inv;
    Pt last = Mapping().Invert(inv) ? inv.Apply(pts.back()) : FState.Cur;
    if (FInPath) {
        for (const Pt& p : pts)
            LineToDevice(p);
    } else {
        pts.insert(pts.begin(), Map(FState.Cur));
        DrawFigureLines(pts, false);
    }
    FState.Cur = last;
}

void Player::SetPixel(Pt p, COLORREF c) {
    Prepare();
    POINT d = Round(Map(p));
    SetPixelV(FDc, d.X, d.Y, c);
}

void Player::FloodFill(Pt p, COLORREF c, UINT type) {
    Prepare();
    POINT d = Round(Map(p));
    ExtFloodFill(FDc, d.X, d.Y, c, type);
}

void Player::PatBlt(Pt p, Pt size, DWORD rop) {
    const Xform& x = Mapping();
    Pt q{p.X + size.X, p.Y + size.Y};
    if (!x.ScalesOnly()) {
        std::vector<Pt> c{x.Apply(p), x.Apply(Pt{q.X, p.Y}), x.Apply(q), x.Apply(Pt{p.X, q.Y})};
        Prepare();
        SelectObject(FDc, GetStockObject(NULL_PEN));
        std::vector<POINT> d = Device(c);
        win::Polygon(FDc, d.data(), 4);
        return;
    }
    POINT a = Round(x.Apply(p)), b = Round(x.Apply(q));
    Prepare();
    win::PatBlt(FDc, std::min(a.X, b.X), std::min(a.Y, b.Y), std::abs(b.X - a.X), std::abs(b.Y - a.Y), rop);
}

void Player::GradientFill(const std::vector<TRIVERTEX>& vertices, const std::vector<ULONG>& mesh,
                          ULONG mode) {
    const Xform& x = Mapping();
    std::vector<TRIVERTEX> v = vertices;
    for (TRIVERTEX& t : v) {
        POINT d = Round(x.Apply(Pt{double(t.x), double(t.y)}));
        t.x = d.X;
        t.y = d.Y;
    }
    Prepare();
    if (mode == GRADIENT_FILL_TRIANGLE || x.ScalesOnly()) {
        size_t per = mode == GRADIENT_FILL_TRIANGLE ? 3 : 2;
        win::GradientFill(FDc, v.data(), ULONG(v.size()), mesh.data(), ULONG(mesh.size() / per), mode);
        return;
    }
    // Turned rectangles become two triangles with the rectangle's colours at their corners.
    std::vector<TRIVERTEX> tv;
    std::vector<ULONG> tri;
    for (size_t i = 0; i + 1 < mesh.size(); i += 2) {
        const TRIVERTEX& a = vertices[mesh[i]];
        const TRIVERTEX& b = vertices[mesh[i + 1]];
        TRIVERTEX c[4] = {a, a, b, b}; // UL, UR, LR, LL
        c[1].x = b.x;
        c[1].y = a.y;
        c[3].x = a.x;
        c[3].y = b.y;
        if (mode == GRADIENT_FILL_RECT_H) {
            auto colour = [](TRIVERTEX& d, const TRIVERTEX& s) {
                d.Red = s.Red, d.Green = s.Green, d.Blue = s.Blue, d.Alpha = s.Alpha;
            };
            colour(c[1], b);
            colour(c[3], a);
        } else {
            auto colour = [](TRIVERTEX& d, const TRIVERTEX& s) {
                d.Red = s.Red, d.Green = s.Green, d.Blue = s.Blue, d.Alpha = s.Alpha;
            };
            colour(c[1], a);
            colour(c[3], b);
        }
        ULONG base = ULONG(tv.size());
        for (TRIVERTEX& t : c) {
            POINT d = Round(x.Apply(Pt{double(t.x), double(t.y)}));
            t.x = d.X;
            t.y = d.Y;
            tv.push_back(t);
        }
        ULONG idx[6] = {base, base + 1, base + 2, base, base + 2, base + 3};
        tri.insert(tri.end(), idx, idx + 6);
    }
    if (!tri.empty())
        win::GradientFill(FDc, tv.data(), ULONG(tv.size()), tri.data(), ULONG(tri.size() / 3),
                          GRADIENT_FILL_TRIANGLE);
}

// ---- Text ------------------------------------------------------------------------------------------------

namespace {

// The code page of a font character set for iconv.
const char* CharsetEncoding(BYTE charset) {
    switch (charset) {
    case 128:
        return "CP932";
    case 129:
        return "CP949";
    case 130:
        return "JOHAB";
    case 134:
        return "CP936";
    case 136:
        return "BIG5HKSCS";
    case 161:
        return "CP1253";
    case 162:
        return "CP1254";
    case 163:
        return "CP1258";
    case 177:
        return "CP1255";
    case 178:
        return "CP1256";
    case 186:
        return "CP1257";
    case 204:
        return "CP1251";
    case 222:
        return "CP874";
    case 238:
        return "CP1250";
    case 77:
        return "MACINTOSH";
    case 255:
        return "CP437";
    default: // ANSI, default, symbol and the rest
        return "CP1252";
    }
}

} // namespace

std::u32string Player::DecodeAnsi(const uint8_t* text, size_t count, const double* dxIn,
                                  std::vector<double>* dxOut) {
    std::u32string out;
    BYTE charset = FontCharset();
    if (int(charset) != FIconvCharset) {
        if (FIconv)
            iconv_close(static_cast<iconv_t>(FIconv));
        FIconv = nullptr;
        iconv_t cd = iconv_open("UTF-32LE", CharsetEncoding(charset));
        if (cd == iconv_t(-1))
            cd = iconv_open("UTF-32LE", "CP1252");
        if (cd != iconv_t(-1))
            FIconv = cd;
        FIconvCharset = charset;
    }
    size_t i = 0;
    while (i < count) {
        char32_t c = 0xFFFD;
        size_t used = 1;
        if (!FIconv) {
            c = text[i];
        } else {
            iconv_t cd = static_cast<iconv_t>(FIconv);
            for (size_t n = 1; n <= 4 && i + n <= count; ++n) {
                iconv(cd, nullptr, nullptr, nullptr, nullptr);
                char in[4];
                std::memcpy(in, text + i, n);
                char outBuf[16];
                char* ip = in;
                char* op = outBuf;
                size_t il = n, ol = sizeof outBuf;
                size_t r = iconv(cd, &ip, &il, &op, &ol);
                if (r != size_t(-1) && il == 0 && op - outBuf >= 4) {
                    uint32_t v;
                    std::memcpy(&v, outBuf, 4);
                    c = char32_t(v);
                    used = n;
                    break;
                }
                if (r == size_t(-1) && errno != EINVAL)
                    break; // not a character of the code page
            }
        }
        out += c;
        if (dxOut && dxIn) {
            double adv = 0;
            for (size_t k = 0; k < used; ++k)
                adv += dxIn[i + k];
            dxOut->push_back(adv);
        }
        i += used;
    }
    return out;
}

void Player::Text(Pt ref, UINT options, const RECT* rect, const std::u32string& text,
                  const std::vector<double>& dx) {
    Prepare();
    SetTextAlign(FDc, FState.TextAlign & TA_MASK);
    SetTextCharacterExtra(
        FDc, int(std::clamp(std::llround(FState.CharExtra * XScale()), -(1LL << 16), 1LL << 16)));
    const Xform& x = Mapping();
    std::string utf8;
    std::vector<int> bytesDx;
    double along = XScale(), cum = 0;
    int64_t placed = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        AppendUtf8(utf8, text[i]);
        if (dx.size() == text.size()) {
            cum += dx[i] * along;
            int64_t pos = std::llround(std::clamp(cum, -MaxDeviceCoord, MaxDeviceCoord));
            bytesDx.push_back(int(pos - placed));
            placed = pos;
            bytesDx.resize(utf8.size(), 0);
        }
    }
    RECT r{};
    if (rect) {
        Pt c[4] = {x.Apply(Pt{double(rect->Left), double(rect->Top)}),
                   x.Apply(Pt{double(rect->Right), double(rect->Top)}),
                   x.Apply(Pt{double(rect->Right), double(rect->Bottom)}),
                   x.Apply(Pt{double(rect->Left), double(rect->Bottom)})};
        POINT lo = Round(c[0]), hi = lo;
        for (Pt p : c) {
            POINT d = Round(p);
            lo.X = std::min(lo.X, d.X), lo.Y = std::min(lo.Y, d.Y);
            hi.X = std::max(hi.X, d.X), hi.Y = std::max(hi.Y, d.Y);
        }
        r = RECT{lo.X, lo.Y, hi.X, hi.Y};
    }
    POINT d = Round(x.Apply(ref));
    bool updateCp = FState.TextAlign & TA_UPDATECP;
    if (updateCp) {
        POINT cp = Round(x.Apply(FState.Cur));
        MoveToEx(FDc, cp.X, cp.Y, nullptr);
    }
    ExtTextOut(FDc, d.X, d.Y, options & (ETO_OPAQUE | ETO_CLIPPED), rect ? &r : nullptr, utf8.data(),
               UINT(utf8.size()), bytesDx.empty() ? nullptr : bytesDx.data());
    if (updateCp) {
        POINT cp{};
        GetCurrentPositionEx(FDc, &cp);
        Xform inv;
        if (x.Invert(inv))
            FState.Cur = inv.Apply(Pt{double(cp.X), double(cp.Y)});
    }
}

// ---- Bitmaps ---------------------------------------------------------------------------------------------

void Player::BlitDib(Pt dst, Pt dstSize, const Dib& src, int sx, int sy, int sw, int sh,
                     const std::function<void(HDC, RECT, HDC, int, int, int, int)>& blit) {
    const Xform& x = Mapping();
    POINT a = Round(x.Apply(dst)), b = Round(x.Apply(Pt{dst.X + dstSize.X, dst.Y + dstSize.Y}));
    if (a.X == b.X || a.Y == b.Y || src.Width <= 0 || src.Height <= 0)
        return;
    DibDc source(src);
    if (!source.Ok())
        return;
    Prepare();
    blit(FDc, RECT{a.X, a.Y, b.X, b.Y}, source.Dc(), sx, sy, sw, sh);
}

void Player::StretchDib(Pt dst, Pt dstSize, const Dib& src, int sx, int sy, int sw, int sh, DWORD rop) {
    if (!Mapping().ScalesOnly()) {
        TransformedBlit(dst, dstSize, src, sx, sy, sw, sh, rop);
        return;
    }
    BlitDib(dst, dstSize, src, sx, sy, sw, sh, [rop](HDC dc, RECT r, HDC s, int x, int y, int w, int h) {
        StretchBlt(dc, r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top, s, x, y, w, h, rop);
    });
}

void Player::TransparentDib(Pt dst, Pt dstSize, const Dib& src, int sx, int sy, int sw, int sh,
                            COLORREF key) {
    if (!Mapping().ScalesOnly()) {
        TransformedBlit(dst, dstSize, src, sx, sy, sw, sh, SRCCOPY);
        return;
    }
    BlitDib(dst, dstSize, src, sx, sy, sw, sh, [key](HDC dc, RECT r, HDC s, int x, int y, int w, int h) {
        TransparentBlt(dc, std::min(r.Left, r.Right), std::min(r.Top, r.Bottom), std::abs(r.Right - r.Left),
                       std::abs(r.Bottom - r.Top), s, x, y, w, h, key);
    });
}

void Player::AlphaDib(Pt dst, Pt dstSize, const Dib& src, int sx, int sy, int sw, int sh,
                      BLENDFUNCTION blend) {
    if (!Mapping().ScalesOnly()) {
        TransformedBlit(dst, dstSize, src, sx, sy, sw, sh, SRCCOPY);
        return;
    }
    BlitDib(dst, dstSize, src, sx, sy, sw, sh, [blend](HDC dc, RECT r, HDC s, int x, int y, int w, int h) {
        AlphaBlend(dc, std::min(r.Left, r.Right), std::min(r.Top, r.Bottom), std::abs(r.Right - r.Left),
                   std::abs(r.Bottom - r.Top), s, x, y, w, h, blend);
    });
}

void Player::MaskDib(Pt dst, Pt dstSize, const Dib& src, int sx, int sy, const Dib& mask, int mx, int my,
                     DWORD rop) {
    int sw = int(std::clamp(dstSize.X, -MaxDeviceCoord, MaxDeviceCoord));
    int sh = int(std::clamp(dstSize.Y, -MaxDeviceCoord, MaxDeviceCoord));
    if (!Mapping().ScalesOnly()) {
        TransformedBlit(dst, dstSize, src, sx, sy, sw, sh, rop & 0x00FFFFFF);
        return;
    }
    const Xform& x = Mapping();
    POINT a = Round(x.Apply(dst)), b = Round(x.Apply(Pt{dst.X + dstSize.X, dst.Y + dstSize.Y}));
    int w = std::abs(b.X - a.X), h = std::abs(b.Y - a.Y);
    if (w == 0 || h == 0 || int64_t(w) * h > MaxBlitArea || src.Width <= 0 || mask.Width <= 0)
        return;
    // The source and the mask are first brought to the destination's size.
    DibDc source(src), maskSource(mask), colour(w, h);
    if (!source.Ok() || !maskSource.Ok() || !colour.Ok())
        return;
    StretchBlt(colour.Dc(), 0, 0, w, h, source.Dc(), sx, sy, sw, sh, SRCCOPY);
    HBITMAP mono = CreateBitmap(w, h, 1, 1, nullptr);
    if (!mono)
        return;
    HDC monoDc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(monoDc, mono);
    SetBkColor(maskSource.Dc(), RGB(255, 255, 255));
    StretchBlt(monoDc, 0, 0, w, h, maskSource.Dc(), mx, my, sw, sh, SRCCOPY);
    SelectObject(monoDc, old);
    DeleteDC(monoDc);
    Prepare();
    MaskBlt(FDc, std::min(a.X, b.X), std::min(a.Y, b.Y), w, h, colour.Dc(), 0, 0, mono, 0, 0, rop);
    DeleteObject(mono);
}

void Player::TransformedBlit(Pt dst, Pt dstSize, const Dib& src, int sx, int sy, int sw, int sh, DWORD rop) {
    const Xform& x = Mapping();
    Xform inv;
    if (!x.Invert(inv) || dstSize.X == 0 || dstSize.Y == 0 || sw == 0 || sh == 0 || src.Width <= 0)
        return;
    Prepare();
    Pt c[4] = {x.Apply(dst), x.Apply(Pt{dst.X + dstSize.X, dst.Y}), x.Apply(Pt{dst.X, dst.Y + dstSize.Y}),
               x.Apply(Pt{dst.X + dstSize.X, dst.Y + dstSize.Y})};
    double lx = c[0].X, ly = c[0].Y, hx = c[0].X, hy = c[0].Y;
    for (Pt p : c) {
        lx = std::min(lx, p.X), ly = std::min(ly, p.Y), hx = std::max(hx, p.X), hy = std::max(hy, p.Y);
    }
    RECT clip{};
    GetClipBox(FDc, &clip);
    int x0 = std::max<int>(clip.Left, int(std::floor(ClampCoord(lx)))),
        y0 = std::max<int>(clip.Top, int(std::floor(ClampCoord(ly))));
    int x1 = std::min<int>(clip.Right, int(std::ceil(ClampCoord(hx)))),
        y1 = std::min<int>(clip.Bottom, int(std::ceil(ClampCoord(hy))));
    if (x1 <= x0 || y1 <= y0 || int64_t(x1 - x0) * (y1 - y0) > MaxBlitArea)
        return;
    int w = x1 - x0, h = y1 - y0;
    DibDc tmp(w, h);
    if (!tmp.Ok())
        return;
    MonoMask mask(w, h);
    bool any = false;
    for (int y = 0; y < h; ++y)
        for (int xx = 0; xx < w; ++xx) {
            Pt l = inv.Apply(Pt{x0 + xx + 0.5, y0 + y + 0.5});
            double u = (l.X - dst.X) / dstSize.X, v = (l.Y - dst.Y) / dstSize.Y;
            if (u < 0 || u >= 1 || v < 0 || v >= 1)
                continue;
            int64_t px = sx + int64_t(std::floor(u * sw)), py = sy + int64_t(std::floor(v * sh));
            if (px < 0 || py < 0 || px >= src.Width || py >= src.Height)
                continue;
            tmp.Bits()[size_t(y) * size_t(w) + size_t(xx)] =
                src.Pixels[size_t(py) * size_t(src.Width) + size_t(px)];
            mask.Set(xx, y);
            any = true;
        }
    if (!any)
        return;
    HBITMAP m = mask.Create();
    if (!m)
        return;
    MaskBlt(FDc, x0, y0, w, h, tmp.Dc(), 0, 0, m, 0, 0, MAKEROP4(rop & 0x00FFFFFF, 0x00AA0029));
    DeleteObject(m);
}

// ---- Paths -----------------------------------------------------------------------------------------------

void Player::BeginPath() {
    FPath.clear();
    FPathPoints = 0;
    FPathWinding = false;
    FInPath = true;
    FFigureOpen = false;
}

void Player::AbortPath() {
    FPath.clear();
    FPathPoints = 0;
    FInPath = false;
    FFigureOpen = false;
}

void Player::CloseFigure() {
    if (FInPath && FFigureOpen && !FPath.empty()) {
        FPath.back().Closed = true;
        FFigureOpen = false;
    }
}

HRGN Player::FiguresRegion(const std::vector<std::vector<Pt>>& figures, int fillMode) {
    std::vector<POINT> pts;
    std::vector<INT> counts;
    for (const auto& f : figures) {
        if (f.size() < 2)
            continue;
        std::vector<Pt> cut = ClipToBox(f, FReach);
        if (cut.size() < 3)
            continue;
        for (const Pt& p : cut)
            pts.push_back(Round(p));
        counts.push_back(INT(cut.size()));
    }
    if (counts.empty())
        return CreateRectRgn(0, 0, 0, 0);
    return CreatePolyPolygonRgn(pts.data(), counts.data(), int(counts.size()), fillMode);
}

HRGN Player::PathRegion(bool winding) {
    std::vector<std::vector<Pt>> figures;
    for (const PathFigure& f : FPath)
        figures.push_back(f.Points);
    return FiguresRegion(figures, winding ? WINDING : FState.FillMode);
}

void Player::FillPath() {
    FInPath = false;
    Prepare();
    Rgn r(PathRegion(FPathWinding));
    PaintRgn(FDc, r.Get());
    AbortPath();
}

void Player::StrokePath() {
    FInPath = false;
    for (const PathFigure& f : FPath)
        DrawFigureLines(f.Points, f.Closed);
    AbortPath();
}

void Player::StrokeAndFillPath() {
    FInPath = false;
    Prepare();
    {
        Rgn r(PathRegion(FPathWinding));
        PaintRgn(FDc, r.Get());
    }
    for (const PathFigure& f : FPath)
        DrawFigureLines(f.Points, f.Closed);
    AbortPath();
}

void Player::WidenPath() {
    double w = 1;
    const MetaObject* pen = FState.Pen.get();
    if (pen && !pen->FStock && !pen->FPen.Cosmetic && pen->FPen.Width > 0)
        w = std::max(1.0, pen->FPen.Width * XScale());
    std::vector<std::vector<Pt>> outline = WidenFigures(FPath, std::min(w, double(1 << 14)));
    FPath.clear();
    FPathPoints = 0;
    for (auto& poly : outline)
        AddFigure(std::move(poly), true);
    FPathWinding = true;
    FFigureOpen = false;
}

void Player::SelectClipPath(int mode) {
    FInPath = false;
    Rgn r(PathRegion(FPathWinding));
    CombineClip(r.Get(), mode);
    AbortPath();
}

} // namespace meta

// ---- Handles ---------------------------------------------------------------------------------------------

namespace {

std::mutex& MetafilesLock() {
    static std::mutex m;
    return m;
}
std::unordered_set<const HENHMETAFILE__*>& LiveMetafiles() {
    static std::unordered_set<const HENHMETAFILE__*> live;
    return live;
}

} // namespace

namespace meta {

HENHMETAFILE RegisterMetafile(std::unique_ptr<HENHMETAFILE__> mf) {
    std::lock_guard<std::mutex> lock(MetafilesLock());
    LiveMetafiles().insert(mf.get());
    return mf.release();
}

bool LiveMetafile(HENHMETAFILE mf) {
    std::lock_guard<std::mutex> lock(MetafilesLock());
    return mf && LiveMetafiles().count(mf) != 0;
}

} // namespace meta

BOOL DeleteEnhMetaFile(HENHMETAFILE mf) {
    {
        std::lock_guard<std::mutex> lock(MetafilesLock());
        if (!mf || !LiveMetafiles().erase(mf))
            return FALSE;
    }
    delete mf;
    return TRUE;
}

UINT GetEnhMetaFileHeader(HENHMETAFILE mf, UINT size, ENHMETAHEADER* header) {
    if (!meta::LiveMetafile(mf))
        return 0;
    if (!header)
        return sizeof(ENHMETAHEADER);
    UINT n = std::min<UINT>(size, sizeof(ENHMETAHEADER));
    std::memcpy(header, &mf->FHeader, n);
    return n;
}

bool IsWinMetaFile(HENHMETAFILE mf) {
    return meta::LiveMetafile(mf) && mf->FWmf;
}

BOOL PlayEnhMetaFile(HDC dc, HENHMETAFILE mf, const RECT* rect) {
    if (!dc || !rect || !meta::LiveMetafile(mf) || GetObjectType(dc) == 0)
        return FALSE;
    POINT corners[2] = {{rect->Left, rect->Top}, {rect->Right, rect->Bottom}};
    LPtoDP(dc, corners, 2);
    RECT dest{corners[0].X, corners[0].Y, corners[1].X, corners[1].Y};
    try {
        meta::Player player(dc, dest);
        if (mf->FWmf) {
            double w = mf->FHasWindow ? mf->FWinWidth : dest.Right - dest.Left;
            double h = mf->FHasWindow ? mf->FWinHeight : dest.Bottom - dest.Top;
            player.SetWmfWindow(meta::Pt{mf->FWinLeft, mf->FWinTop},
                                meta::Pt{w != 0 ? w : 1, h != 0 ? h : 1});
            if (mf->FRecords < mf->FData.size())
                meta::PlayWmfRecords(player, mf->FData.data() + mf->FRecords,
                                     mf->FData.size() - mf->FRecords);
        } else {
            const ENHMETAHEADER& hd = mf->FHeader;
            SIZE px = hd.szlDevice, mm = hd.szlMillimeters;
            double l, t, r, b;
            if (px.cx > 0 && px.cy > 0 && mm.cx > 0 && mm.cy > 0 && hd.rclFrame.Right != hd.rclFrame.Left &&
                hd.rclFrame.Bottom != hd.rclFrame.Top) {
                double kx = double(px.cx) / (mm.cx * 100.0), ky = double(px.cy) / (mm.cy * 100.0);
                l = hd.rclFrame.Left * kx, t = hd.rclFrame.Top * ky;
                r = hd.rclFrame.Right * kx, b = hd.rclFrame.Bottom * ky;
            } else {
                // No usable frame: the bounds in pixels stand in, at 96 pixels per inch.
                l = hd.rclBounds.Left, t = hd.rclBounds.Top;
                r = double(hd.rclBounds.Right) + 1, b = double(hd.rclBounds.Bottom) + 1;
                if (px.cx <= 0 || px.cy <= 0 || mm.cx <= 0 || mm.cy <= 0)
                    px = SIZE{1920, 1440}, mm = SIZE{508, 381};
            }
            player.SetEmfFrame(l, t, r, b, px, mm);
            meta::PlayEmfRecords(player, mf->FData.data(), mf->FData.size());
        }
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
    return TRUE;
}

} // namespace win
