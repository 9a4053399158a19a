#include "platform/vcl/GraphicsObjects.h"

#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Scope.h"
#include "platform/win/gdi/Fonts.h"
#include "platform/win/gdi/Gdi.h"

#include <cmath>
#include <cstring>

namespace vcl {

namespace {

int32_t GraphicsMulDiv(int32_t a, int32_t b, int32_t c) {
    if (c == 0)
        return -1;
    return int32_t(std::llround(double(int64_t(a) * b) / c));
}

} // namespace

int32_t ColorToRGB(TColor color) {
    if (color < 0)
        return int32_t(win::GetSysColor(int(uint32_t(color) & 0xFF)) & 0xFFFFFF);
    return color;
}

void TGraphicsObject::Changed() {
    if (OnChange)
        OnChange(this);
}

// ---- TFont -------------------------------------------------------------------------------------------

TFont::TFont() {
    if (win::HDC screen = win::GetScreenDC()) {
        int dpi = win::GetDeviceCaps(screen, win::LOGPIXELSY);
        if (dpi > 0)
            FPixelsPerInch = dpi;
    }
}

TFont::~TFont() {
    FreeHandle();
}

void TFont::FreeHandle() {
    if (FHandle)
        win::DeleteObject(reinterpret_cast<win::HGDIOBJ>(FHandle));
    FHandle = nullptr;
}

void TFont::Assign(TPersistent* source) {
    if (auto* f = dynamic_cast<TFont*>(source)) {
        if (f == this)
            return;
        FreeHandle();
        FName = f->FName;
        FHeight = f->FHeight;
        FStyle = f->FStyle;
        FColor = f->FColor;
        FCharset = f->FCharset;
        FPitch = f->FPitch;
        FPixelsPerInch = f->FPixelsPerInch;
        Changed();
        return;
    }
    TGraphicsObject::Assign(source);
}

void TFont::SetName(const std::string& value) {
    if (value.empty() || value == FName)
        return;
    FreeHandle();
    FName = value;
    Changed();
}

int32_t TFont::GetSize() const {
    return -GraphicsMulDiv(FHeight, 72, FPixelsPerInch);
}

void TFont::SetSize(int32_t value) {
    SetHeight(-GraphicsMulDiv(value, FPixelsPerInch, 72));
}

void TFont::SetHeight(int32_t value) {
    if (value == FHeight)
        return;
    FreeHandle();
    FHeight = value;
    Changed();
}

void TFont::SetStyle(TFontStyles value) {
    if (value == FStyle)
        return;
    FreeHandle();
    FStyle = value;
    Changed();
}

void TFont::SetColor(TColor value) {
    if (value == FColor)
        return;
    FColor = value; // the colour is the canvas's text colour, not part of the handle
    Changed();
}

void TFont::SetCharset(TFontCharset value) {
    if (value == FCharset)
        return;
    FreeHandle();
    FCharset = value;
    Changed();
}

void TFont::SetPitch(TFontPitch value) {
    if (value == FPitch)
        return;
    FreeHandle();
    FPitch = value;
    Changed();
}

win::HFONT TFont::GetHandle() {
    if (!FHandle) {
        win::LOGFONT lf{};
        lf.lfHeight = FHeight;
        lf.lfWeight = FStyle.Contains(fsBold) ? win::FW_BOLD : win::FW_NORMAL;
        lf.lfItalic = FStyle.Contains(fsItalic);
        lf.lfUnderline = FStyle.Contains(fsUnderline);
        lf.lfStrikeOut = FStyle.Contains(fsStrikeOut);
        lf.lfCharSet = FCharset;
        lf.lfQuality = win::DEFAULT_QUALITY;
        lf.lfPitchAndFamily = FPitch == fpFixed      ? win::FIXED_PITCH
                              : FPitch == fpVariable ? win::VARIABLE_PITCH
                                                     : win::DEFAULT_PITCH;
        std::strncpy(lf.lfFaceName, FName.c_str(), win::LF_FACESIZE - 1);
        FHandle = win::CreateFontIndirect(&lf);
        if (!FHandle)
            throw EOutOfResources("Out of system resources");
    }
    return FHandle;
}

void TFont::SetHandle(win::HFONT value) {
    if (value == FHandle)
        return;
    FreeHandle();
    if (value) {
        win::LOGFONT lf{};
        if (win::GetObject(reinterpret_cast<win::HGDIOBJ>(value), sizeof lf, &lf) > 0) {
            FHeight = lf.lfHeight;
            FStyle = {};
            if (lf.lfWeight >= win::FW_BOLD)
                FStyle.Include(fsBold);
            if (lf.lfItalic)
                FStyle.Include(fsItalic);
            if (lf.lfUnderline)
                FStyle.Include(fsUnderline);
            if (lf.lfStrikeOut)
                FStyle.Include(fsStrikeOut);
            FCharset = lf.lfCharSet;
            FPitch = (lf.lfPitchAndFamily & 3) == win::FIXED_PITCH      ? fpFixed
                     : (lf.lfPitchAndFamily & 3) == win::VARIABLE_PITCH ? fpVariable
                                                                        : fpDefault;
            lf.lfFaceName[win::LF_FACESIZE - 1] = 0;
            if (lf.lfFaceName[0])
                FName = lf.lfFaceName;
        }
    }
    FHandle = value;
    Changed();
}

// ---- TPen --------------------------------------------------------------------------------------------

int PenModeToRop2(TPenMode mode) {
    static constexpr int rop2[] = {
        win::R2_BLACK,       win::R2_WHITE,      win::R2_NOP,         win::R2_NOT,
        win::R2_COPYPEN,     win::R2_NOTCOPYPEN, win::R2_MERGEPENNOT, win::R2_MASKPENNOT,
        win::R2_MERGENOTPEN, win::R2_MASKNOTPEN, win::R2_MERGEPEN,    win::R2_NOTMERGEPEN,
        win::R2_MASKPEN,     win::R2_NOTMASKPEN, win::R2_XORPEN,      win::R2_NOTXORPEN};
    return rop2[mode];
}

TPen::~TPen() {
    FreeHandle();
}

void TPen::FreeHandle() {
    if (FHandle)
        win::DeleteObject(reinterpret_cast<win::HGDIOBJ>(FHandle));
    FHandle = nullptr;
}

void TPen::Assign(TPersistent* source) {
    if (auto* p = dynamic_cast<TPen*>(source)) {
        if (p == this)
            return;
        FreeHandle();
        FColor = p->FColor;
        FWidth = p->FWidth;
        FStyle = p->FStyle;
        FMode = p->FMode;
        Changed();
        return;
    }
    TGraphicsObject::Assign(source);
}

void TPen::SetColor(TColor value) {
    if (value == FColor)
        return;
    FreeHandle();
    FColor = value;
    Changed();
}

void TPen::SetWidth(int32_t value) {
    if (value < 0 || value == FWidth)
        return;
    FreeHandle();
    FWidth = value;
    Changed();
}

void TPen::SetStyle(TPenStyle value) {
    if (value == FStyle)
        return;
    FreeHandle();
    FStyle = value;
    Changed();
}

void TPen::SetMode(TPenMode value) {
    if (SetIfChanged(FMode, value))
        Changed();
}

win::HPEN TPen::GetHandle() {
    if (!FHandle) {
        static constexpr int styles[] = {win::PS_SOLID,      win::PS_DASH,       win::PS_DOT,
                                         win::PS_DASHDOT,    win::PS_DASHDOTDOT, win::PS_NULL,
                                         win::PS_INSIDEFRAME};
        FHandle = win::CreatePen(styles[FStyle], FWidth, win::COLORREF(ColorToRGB(FColor)));
        if (!FHandle)
            throw EOutOfResources("Out of system resources");
    }
    return FHandle;
}

void TPen::SetHandle(win::HPEN value) {
    if (value == FHandle)
        return;
    FreeHandle();
    if (value) {
        win::LOGPEN lp{};
        if (win::GetObject(reinterpret_cast<win::HGDIOBJ>(value), sizeof lp, &lp) > 0) {
            FColor = TColor(lp.lopnColor & 0xFFFFFF);
            FWidth = lp.lopnWidth.X;
            win::UINT style = lp.lopnStyle & win::PS_STYLE_MASK;
            FStyle = style <= win::PS_INSIDEFRAME ? TPenStyle(style) : psSolid;
        }
    }
    FHandle = value;
    Changed();
}

// ---- TBrush ------------------------------------------------------------------------------------------

TBrush::~TBrush() {
    FreeHandle();
}

void TBrush::FreeHandle() {
    if (FHandle)
        win::DeleteObject(reinterpret_cast<win::HGDIOBJ>(FHandle));
    FHandle = nullptr;
}

void TBrush::Assign(TPersistent* source) {
    if (auto* b = dynamic_cast<TBrush*>(source)) {
        if (b == this)
            return;
        FreeHandle();
        FColor = b->FColor;
        FStyle = b->FStyle;
        FBitmap = b->FBitmap;
        Changed();
        return;
    }
    TGraphicsObject::Assign(source);
}

void TBrush::SetColor(TColor value) {
    if (value == FColor && !(value != clNone && FStyle == bsClear))
        return;
    FreeHandle();
    FColor = value;
    if (value == clNone)
        FStyle = bsClear;
    else if (FStyle == bsClear)
        FStyle = bsSolid;
    Changed();
}

void TBrush::SetStyle(TBrushStyle value) {
    if (value == FStyle)
        return;
    FreeHandle();
    FStyle = value;
    Changed();
}

void TBrush::SetBitmap(TBitmap* value) {
    if (value == FBitmap)
        return;
    FreeHandle();
    FBitmap = value;
    Changed();
}

win::HBRUSH TBrush::GetHandle() {
    if (!FHandle) {
        win::COLORREF rgb = win::COLORREF(ColorToRGB(FColor));
        if (FBitmap && !FBitmap->GetEmpty())
            FHandle = win::CreatePatternBrush(FBitmap->GetHandle());
        else if (FStyle == bsClear)
            FHandle = reinterpret_cast<win::HBRUSH>(win::GetStockObject(win::NULL_BRUSH));
        else if (FStyle == bsSolid)
            FHandle = win::CreateSolidBrush(rgb);
        else
            FHandle = win::CreateHatchBrush(int(FStyle) - int(bsHorizontal) + win::HS_HORIZONTAL, rgb);
        if (!FHandle)
            throw EOutOfResources("Out of system resources");
    }
    return FHandle;
}

void TBrush::SetHandle(win::HBRUSH value) {
    if (value == FHandle)
        return;
    FreeHandle();
    if (value) {
        win::LOGBRUSH lb{};
        if (win::GetObject(reinterpret_cast<win::HGDIOBJ>(value), sizeof lb, &lb) > 0) {
            FColor = TColor(lb.lbColor & 0xFFFFFF);
            FStyle = lb.lbStyle == win::BS_NULL      ? bsClear
                     : lb.lbStyle == win::BS_HATCHED ? TBrushStyle(int(bsHorizontal) + int(lb.lbHatch))
                                                     : bsSolid;
        }
        FBitmap = nullptr;
    }
    FHandle = value;
    Changed();
}

} // namespace vcl
